// kestrel-cli publish against real servers on 127.0.0.1 that the tests
// start (tests/support/release_server.py): FTP, FTPS, SFTP (sshd) and
// WebDAV (nginx), all writing into the folder the web server serves, which
// the checks and a polling client ask. The release before is live in that
// folder at the start of every case.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "runtime/network/http.h"
#include "support/archives.h"
#include "support/release_server.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using test_support::read_bytes;
using test_support::write_bytes;

const std::string password = "pw-of-the-publisher-7c1f";

// The files of one release as the server must serve them.
struct Release {
  std::string descriptor;  // Update.txt's bytes
  std::string package_name;
  std::string package;  // its bytes
};

// Every name below `folder` that is a temporary of a publish or a writer.
std::vector<std::string> temporaries(const fs::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.path().filename().string().find(".kestrel-") != std::string::npos) found.push_back(entry.path());
  return found;
}

// A client polling the descriptor and then the package it names, the whole
// time a publish runs; it notes every answer that is not one whole release.
class PollingClient {
 public:
  PollingClient(std::string descriptor_url, const std::vector<Release>& releases, bool descriptor_may_be_absent)
      : url_(std::move(descriptor_url)), releases_(releases), absence_allowed_(descriptor_may_be_absent),
        thread_([this] {
          while (!stop_) poll();
        }) {}
  ~PollingClient() { finish(); }
  void finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  int polls() const { return polls_; }
  const std::vector<std::string>& faults() const { return faults_; }

 private:
  void poll() {
    ++polls_;
    const runtime::HttpResult descriptor = runtime::http_get({url_, std::chrono::seconds(10), 1 << 20, {}});
    if (descriptor.answer.status == 404 && absence_allowed_) return;
    const Release* release = nullptr;
    for (const Release& candidate : releases_)
      if (descriptor.answer.body == candidate.descriptor) release = &candidate;
    if (descriptor.fault != runtime::HttpFault::none || descriptor.answer.status != 200 || !release)
      return faults_.push_back("descriptor: " + std::to_string(descriptor.answer.status) + ", " +
                               std::to_string(descriptor.answer.body.size()) + " bytes, no whole release's");
    const std::string& body = descriptor.answer.body;
    const auto url = body.find("URL=") + 4;
    const std::string package_url = body.substr(url, body.find("\r\n", url) - url);
    const runtime::HttpResult package =
        runtime::http_get({package_url, std::chrono::seconds(10), release->package.size() + 1, {}});
    if (package.answer.status != 200 || package.answer.body != release->package)
      faults_.push_back("descriptor of " + release->package_name + ", whose package answered " +
                        std::to_string(package.answer.status) + " with " +
                        std::to_string(package.answer.body.size()) + " bytes");
  }

  std::string url_;
  std::vector<Release> releases_;
  bool absence_allowed_;
  std::atomic<bool> stop_{false};
  std::atomic<int> polls_{0};
  std::vector<std::string> faults_;
  std::thread thread_;
};

class Publish : public ::testing::Test {
 protected:
  test_support::TempWorkingDir dir;
  const fs::path served = dir.path() / "served";
  const fs::path state = dir.path() / "state";
  const fs::path home = dir.path() / "home";
  const fs::path stranger_home = dir.path() / "stranger";  // its known_hosts knows no server
  std::unique_ptr<test_support::ReleaseServer> server;
  test_support::Environment environment;
  std::mt19937 random_{std::random_device{}()};

  void SetUp() override {
    for (const fs::path& folder : {served, state, home / ".ssh", stranger_home / ".ssh", dir.path() / "work"})
      fs::create_directories(folder);
    server = std::make_unique<test_support::ReleaseServer>(
        test_support::ReleaseServer::Options{served, {"ftp", "ftps", "sftp", "webdav"}, state, password});
    ASSERT_FALSE(server->port("webdav").empty()) << "the upload servers did not start";
    for (const fs::path& user : {home, stranger_home}) fs::copy_file(state / "id_ed25519", user / ".ssh/id_ed25519");
    const std::string host_key = read_bytes(state / "host_key.pub");
    write_bytes(home / ".ssh/known_hosts", "[127.0.0.1]:" + server->port("sftp") + " " + host_key);
    write_bytes(stranger_home / ".ssh/known_hosts", "");
    environment = {{"HOME", home.string()}, {"SSL_CERT_FILE", (state / "cert.pem").string()},
                   {"SSH_AUTH_SOCK", (dir.path() / "no-agent").string()}, {"PUBLISH_PASSWORD", password}};
    fs::current_path(dir.path() / "work");
  }

  std::string target(const std::string& kind, const std::string& user = "publisher") const {
    const std::string host = "127.0.0.1:" + server->port(kind);
    if (kind == "folder") return served.string();
    if (kind == "sftp") return "sftp://" + host + served.string() + "/";
    return (kind == "webdav" ? "http" : kind) + "://" + user + "@" + host + "/";
  }

  // The local files and package of a release whose package lies at
  // `package_path` on the web server.
  Release make_release(const std::string& version, const std::string& package_path = {}, std::size_t size = 200000,
                       const std::string& entry = "Sales.exe") {
    const std::string name = "sales-" + version + ".zip";
    const std::string path = package_path.empty() ? "release/packages/" + name : package_path;
    std::string data(size, '\0');
    for (char& byte : data) byte = static_cast<char>(random_());
    write_bytes(name, test_support::zip_archive({{entry, data}}));
    const CliResult made = run_cli({"generate", "--update-url", server->url("release/Update.txt"), "--program",
                                    "Sales.exe", "--program-version", "1.0", "--latest-version", version, "--date",
                                    "2024-03-02", "--package-url", server->url(path), "--note", "Release " + version});
    EXPECT_EQ(made.status, 0) << made.err;
    return {read_bytes("Update.txt"), name, read_bytes(name)};
  }

  // The password from the environment, or with --password-stdin among `more` from standard input.
  CliResult publish(const std::string& to, Args more = {}, const test_support::Environment& extra = {}) {
    const bool from_input = std::find(more.begin(), more.end(), "--password-stdin") != more.end();
    Args args = {"publish", "--to", to};
    if (!from_input) args.insert(args.end(), {"--password-env", "PUBLISH_PASSWORD"});
    args.insert(args.end(), more.begin(), more.end());
    test_support::Environment env = environment;
    env.insert(env.end(), extra.begin(), extra.end());
    return run_cli(args, from_input ? password + "\n" : "", env);
  }

  // The release before, live: published to the folder.
  Release live_release() {
    Release old = make_release("1.09");
    const CliResult run = publish(target("folder"));
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    return old;
  }
};

TEST_F(Publish, TheReleaseGoesLiveOverEachKindOfTargetWhileAClientSeesOnlyWholeReleases) {
  const struct {
    const char* kind;
    bool descriptor_may_be_absent;  // SFTP replaces by two renames (see upload_curl.cpp)
    Args more;
  } cases[] = {{"folder", false, {}},
               {"ftp", false, {}},
               {"ftps", false, {}},
               {"sftp", true, {}},
               {"webdav", false, {"--password-stdin"}}};
  int round = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    const Release old = live_release();
    const Release next = make_release("1.1" + std::to_string(round++), {}, 2 << 20);
    PollingClient client(server->url("release/Update.txt"), {old, next}, c.descriptor_may_be_absent);
    const CliResult run = publish(target(c.kind), c.more);
    client.finish();
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("the release is live and verified"), std::string::npos) << run.out;
    EXPECT_EQ(read_bytes(served / "Update.txt"), next.descriptor);
    EXPECT_TRUE(read_bytes(served / "packages" / next.package_name) == next.package);
    EXPECT_EQ(temporaries(served), std::vector<std::string>{});
    EXPECT_EQ((run.out + run.err).find(password), std::string::npos);
    EXPECT_GT(client.polls(), 0);
    for (const std::string& fault : client.faults()) ADD_FAILURE() << fault;
  }
}

TEST_F(Publish, AFailureAtAnyStepLeavesTheLiveDescriptorAsItWas) {
  const struct {
    const char* what;
    std::string to;
    std::string package_path;  // on the web server; empty: beside the descriptor
    std::string entry;         // the file in the package
    Args more;
    test_support::Environment env;
    int status;
    std::string said;
  } cases[] = {
      {"a package that fails the package check", target("ftp"), {}, "Sales2.0/Sales.exe", {}, {}, 3,
       "step 1 (local) failed: nothing was sent"},
      {"a refused package upload", target("ftp", "reader"), {}, {}, {}, {}, 1, "step 2 (package) failed"},
      {"a wrong password over FTP", target("ftp"), {}, {}, {}, {{"PUBLISH_PASSWORD", "wrong"}}, 1, "530"},
      {"a wrong password over WebDAV", target("webdav"), {}, {}, {}, {{"PUBLISH_PASSWORD", "wrong"}}, 1, "401"},
      {"an FTPS server whose certificate is not trusted", target("ftps"), {}, {}, {}, {{"SSL_CERT_FILE", ""}}, 1,
       "SSL certificate problem"},
      {"an unknown host key", target("sftp"), {}, {}, {}, {{"HOME", stranger_home.string()}}, 1,
       "host key is not in " + (stranger_home / ".ssh/known_hosts").string()},
      {"a package its address does not serve", target("ftp"), "missing/sales-2.0.zip", {},
       {"--package-to", target("ftp")}, {}, 3,
       "step 3 (gate) failed: the package address does not serve sales-2.0.zip; Update.txt was not touched"},
      {"a package elsewhere without --package-to", target("ftp"), "elsewhere/sales-2.0.zip", {}, {}, {}, 2,
       "--package-to is required"},
      {"a password in the address", "ftp://publisher:" + password + "@127.0.0.1:" + server->port("ftp") + "/", {},
       {}, {}, {}, 2, "a password in the address can be read by other users"},
      {"a package file that is not there", target("ftp"), {}, {}, {"--package", "no-such.zip"}, {}, 1,
       "the package no-such.zip cannot be read"},
  };
  live_release();
  const std::string live = read_bytes(served / "Update.txt");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    make_release("2.0", c.package_path, 200000, c.entry.empty() ? "Sales.exe" : c.entry);
    const CliResult run = publish(c.to, c.more, c.env);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << run.out << run.err;
    EXPECT_EQ(read_bytes(served / "Update.txt"), live);
    EXPECT_EQ((run.out + run.err).find(password), std::string::npos);
    if (c.status != 3) continue;
    // No package reached its folder, and no temporary is left.
    EXPECT_EQ(fs::exists(served / "packages/sales-2.0.zip"), false);
    EXPECT_EQ(temporaries(served), std::vector<std::string>{});
  }
}

TEST_F(Publish, JsonListsEachStepAndDryRunConnectsToNothing) {
  live_release();
  make_release("2.1");
  const std::string live = read_bytes(served / "Update.txt");
  const CliResult dry = publish("ftp://publisher@127.0.0.1:1/", {"--dry-run"});  // nothing listens there
  EXPECT_EQ(dry.status, 0) << dry.out << dry.err;
  EXPECT_NE(dry.out.find("step 2 package: planned\n  sales-2.1.zip -> ftp://publisher@127.0.0.1:"), std::string::npos)
      << dry.out;
  EXPECT_NE(dry.out.find("/packages/sales-2.1.zip, by way of ftp://"), std::string::npos) << dry.out;
  EXPECT_EQ(read_bytes(served / "Update.txt"), live);

  const CliResult run = publish(target("webdav"), {"--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  const nlohmann::json object = nlohmann::json::parse(run.bytes_out);
  EXPECT_EQ(object["status"], "published");
  EXPECT_EQ(object["exit_status"], 0);
  const char* names[] = {"local", "package", "gate", "descriptor", "verify"};
  ASSERT_EQ(object["steps"].size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(object["steps"][i]["name"], names[i]);
    EXPECT_EQ(object["steps"][i]["status"], "ok");
  }
  EXPECT_NE(object["steps"][1]["temporary"].get<std::string>().find("/packages/sales-2.1.zip.kestrel-"),
            std::string::npos);
  // The same package again is not sent again.
  const CliResult again = publish(target("webdav"), {"--json"});
  EXPECT_EQ(nlohmann::json::parse(again.bytes_out)["steps"][1]["status"], "skipped");
}

// A cache that serves the old package for the first two requests (the check
// whether it is there already, and the gate's first round): the gate waits.
TEST_F(Publish, TheGateWaitsForACacheThatCatchesUp) {
  live_release();
  make_release("2.2", "catching-up/2/sales-2.2.zip");
  write_bytes(served / "Old.txt", "not the package");
  const CliResult run = publish(target("ftp"), {"--package-to", target("ftp"), "--wait", "60"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("step 3 gate: ok\n  after 2 rounds\n"), std::string::npos) << run.out;
}

// kestrel-cli publish, started and killed with SIGKILL after a random time.
void publish_killed_after(const std::string& to, const test_support::Environment& environment,
                          std::chrono::microseconds delay) {
  static const std::string program = test_support::program_beside_this_one("kestrel-cli");
  const pid_t child = ::fork();
  if (child == 0) {
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execl(program.c_str(), program.c_str(), "publish", "--to", to.c_str(), "--password-env", "PUBLISH_PASSWORD",
            nullptr);
    ::_exit(127);
  }
  std::this_thread::sleep_for(delay);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
}

TEST_F(Publish, AKillAtARandomMomentLeavesAWholeReleaseAndTheNextPublishClearsTheTemporaries) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::vector<Release> published = {live_release()};
  // How long a whole publish takes here: the kills fall within it.
  const auto start = std::chrono::steady_clock::now();
  published.push_back(make_release("1.10", {}, 2 << 20));
  ASSERT_EQ(publish(target("ftp")).status, 0);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  for (int round = 0; round < 12; ++round) {
    published.push_back(make_release("1." + std::to_string(11 + round), {}, 2 << 20));
    publish_killed_after(target("ftp"), environment,
                         std::chrono::microseconds(random() % static_cast<unsigned>(whole.count() + 1)));
    const std::string descriptor = read_bytes(served / "Update.txt");
    const auto live = std::find_if(published.begin(), published.end(),
                                   [&](const Release& r) { return r.descriptor == descriptor; });
    ASSERT_NE(live, published.end()) << "round " << round << ": the live descriptor is no whole release's";
    EXPECT_TRUE(read_bytes(served / "packages" / live->package_name) == live->package) << "round " << round;
  }
  const CliResult last = publish(target("ftp"));
  EXPECT_EQ(last.status, 0) << last.out << last.err;
  EXPECT_EQ(read_bytes(served / "Update.txt"), published.back().descriptor);
  EXPECT_EQ(temporaries(served), std::vector<std::string>{});
}

}  // namespace
