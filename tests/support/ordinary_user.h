#pragma once
// Parts of a test run as a user without the superuser's rights, so that
// permission bits bind as they bind for a publisher; `scripts/test` runs as
// root, which the system lets write anywhere. POSIX only.
#ifndef _WIN32

#include <sys/types.h>

#include <vector>

namespace test_support {

// While it lives, a process that runs as the superuser acts as the user
// nobody (65534), and the working directory, with everything in it, belongs
// to that user. For any other user it changes nothing.
class OrdinaryUser {
 public:
  OrdinaryUser();
  ~OrdinaryUser();  // the superuser again (the files stay nobody's)
  OrdinaryUser(const OrdinaryUser&) = delete;
  OrdinaryUser& operator=(const OrdinaryUser&) = delete;

  // False when the switch failed; the test then proves nothing.
  bool ok() const { return ok_; }

 private:
  bool switched_ = false;
  bool ok_ = true;
  gid_t group_ = 0;
  std::vector<gid_t> groups_;
};

}  // namespace test_support

#endif
