#ifndef _WIN32

#include "support/ordinary_user.h"

#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace test_support {

namespace {

constexpr uid_t nobody = 65534;
constexpr gid_t nogroup = 65534;

}  // namespace

OrdinaryUser::OrdinaryUser() {
  if (::geteuid() != 0) return;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(".", error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (::lchown(it->path().c_str(), nobody, nogroup) != 0) ok_ = false;
  }
  ok_ = ok_ && !error && ::chown(".", nobody, nogroup) == 0;
  group_ = ::getegid();
  groups_.resize(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
  if (::getgroups(static_cast<int>(groups_.size()), groups_.data()) < 0) groups_.clear();
  // The groups first: once the user is nobody, they could no longer be changed.
  switched_ = true;
  ok_ = ok_ && ::setgroups(0, nullptr) == 0 && ::setegid(nogroup) == 0 && ::seteuid(nobody) == 0;
}

OrdinaryUser::~OrdinaryUser() {
  if (!switched_) return;
  if (::seteuid(0) != 0 || ::setegid(group_) != 0 || ::setgroups(groups_.size(), groups_.data()) != 0) {
    std::abort();  // the rest of the run would go on with the wrong rights
  }
}

}  // namespace test_support

#endif
