// The checks of a live release as one table of received answers and their
// verdicts, with no network: what each kind of answer is judged to be.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "release/verify.h"
#include "release/verify_run.h"
#include "release/versions.h"
#include "runtime/text/gbk.h"

namespace {

using release::CheckState;
using runtime::HttpFault;
using runtime::HttpHeader;

const std::string address = "http://example.com/update/Update.txt";
const std::string package_address = "http://example.com/update/sales.zip";
const std::string descriptor =
    "[Update]\r\nVersion=2.22\r\nDate=2024-03-02\r\nURL=http://example.com/update/sales.zip\r\nNote=Fixed\r\n";
const files::UpdateDescriptor local{"2.22", "2024-03-02", "http://example.com/update/sales.zip", "Fixed"};
const std::string zip_bytes("PK\x03\x04\x14\x00\x00\x00", 8);
const std::string rar_bytes("Rar!\x1a\x07\x00", 7);
const std::string login_page = "\r\n  <!DOCTYPE html><html><head><title>Sign in</title></head></html>";
const std::vector<HttpHeader> cache = {{"Age", "3600"}, {"cache-control", "max-age=86400"}, {"ETag", "\"r1\""}};
const release::LocalPackage sales_zip{"sales.zip", {8, "aa11"}};

runtime::HttpResult answer(int status, std::string body, std::vector<HttpHeader> headers = {}) {
  runtime::HttpResult result;
  result.answer.status = status;
  result.answer.body_size = body.size();
  result.answer.body = std::move(body);
  result.answer.headers = std::move(headers);
  return result;
}

runtime::HttpResult cut(runtime::HttpResult result) {
  result.answer.body_cut = true;
  return result;
}

runtime::HttpResult fault(HttpFault fault) { return {fault, "what the library said", {}}; }

std::string sized(std::size_t size) {  // a descriptor padded with a comment to exactly `size` bytes
  std::string text = descriptor + ";";
  text.append(size - text.size(), 'x');
  return text;
}

enum class Check { descriptor, matches, package };

struct Row {
  const char* what;
  Check check;
  runtime::HttpResult received;
  CheckState state;
  std::vector<std::string> seen;  // each in the details
  int redirects = 0;              // followed before `received`, the last to https when `to_https`
  bool to_https = false;
  bool too_many_redirects = false;
  std::string package_url = package_address;
  std::optional<release::LocalPackage> local_package = std::nullopt;
  std::optional<release::PackageDigest> served_digest = std::nullopt;
  files::UpdateDescriptor served = local;  // the served values, for the matches check
};

release::Fetched fetched(const Row& row, const std::string& url) {
  release::Fetched f{url, {}, url, row.received, row.too_many_redirects};
  for (int i = 0; i < row.redirects; ++i) {
    const bool last = i + 1 == row.redirects;
    const std::string next = (last && row.to_https ? "https://example.com/" : "http://example.com/") + std::to_string(i);
    f.redirects.push_back({f.last_url, 301, next});
    f.last_url = next;
  }
  return f;
}

release::CheckResult judge(const Row& row, files::UpdateDescriptor& served) {
  switch (row.check) {
    case Check::descriptor: return release::check_descriptor(fetched(row, address), served);
    case Check::matches: return release::check_descriptor_matches(local, row.served, row.received.answer);
    case Check::package: break;
  }
  return release::check_package(row.package_url, fetched(row, row.package_url), row.local_package, row.served_digest);
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

const std::vector<Row>& rows() {
  using enum CheckState;
  using C = Check;
  static const std::vector<Row> table = {
      {"the descriptor", C::descriptor, answer(200, descriptor, {{"Content-Type", "text/plain"}}), ok, {"200, 94 bytes, Version 2.22"}},
      {"exactly 1 MB", C::descriptor, answer(200, sized(1 << 20)), ok, {}},
      {"more than 1 MB", C::descriptor, cut(answer(200, sized(1 << 20))), failed, {"larger than 1 MB"}},
      {"not found", C::descriptor, answer(404, "<html>Not Found</html>", {{"Content-Type", "text/html"}}), failed, {"answered 404, not 200"}},
      {"a login page by its type", C::descriptor, answer(200, "Sign in", {{"content-type", "Text/HTML; charset=utf-8"}}), failed, {"an HTML page (Content-Type: Text/HTML"}},
      {"an XHTML page", C::descriptor, answer(200, descriptor, {{"Content-Type", "application/xhtml+xml"}}), failed, {"HTML page"}},
      {"a login page as plain text", C::descriptor, answer(200, login_page, {{"Content-Type", "text/plain"}}), failed, {"its content is markup"}},
      {"a UTF-8 byte-order mark", C::descriptor, answer(200, "\xEF\xBB\xBF" + descriptor), failed, {"a UTF-8 byte-order mark"}},
      {"UTF-16", C::descriptor, answer(200, "\xFF\xFE[\0U\0"), failed, {"a UTF-16 byte-order mark"}},
      {"bytes that are no GBK", C::descriptor, answer(200, descriptor + "\x81\x20\xFF"), failed, {"not GBK text"}},
      {"a NUL byte", C::descriptor, answer(200, descriptor + std::string(1, '\0')), failed, {"not GBK text"}},
      {"GBK text", C::descriptor, answer(200, descriptor + runtime::gbk(";说明\r\n")), ok, {}},
      {"Note missing", C::descriptor, answer(200, "[Update]\r\nVersion=2.22\r\nDate=1\r\nURL=u\r\n"), failed, {"no Note in section [Update]"}},
      {"the keys in another section", C::descriptor, answer(200, "[Main]\r\nVersion=2.22\r\nDate=1\r\nURL=u\r\nNote=\r\n"), failed, {"no Version, Date, URL, Note"}},
      {"no such host", C::descriptor, fault(HttpFault::resolve), not_made, {"does not resolve (what the library said)"}},
      {"refused", C::descriptor, fault(HttpFault::connect), not_made, {"refused"}},
      {"no answer in time", C::descriptor, fault(HttpFault::timeout), not_made, {"within the timeout"}},
      {"not an address", C::descriptor, fault(HttpFault::bad_url), not_made, {"not an http:// or https:// address"}},
      {"reset or garbage", C::descriptor, fault(HttpFault::broken), failed, {"no HTTP answer"}},
      {"five redirects", C::descriptor, answer(200, descriptor), ok, {"redirect: " + address + " -> 301 -> http://example.com/0", "http://example.com/4: 200"}, 5},
      {"a sixth redirect", C::descriptor, answer(302, ""), failed, {"one more redirect after 5"}, 5, false, true},
      {"a redirect to https", C::descriptor, answer(200, descriptor), ok, {"-> https://example.com/1 (a change to https"}, 2, true},

      {"the same values", C::matches, answer(200, descriptor), ok, {"equal the local Update.txt's"}},
      {"a stale copy", C::matches, answer(200, descriptor, cache), failed,
       {"Version: served 2.21, local Update.txt 2.22", "cache header Age: 3600", "cache header Cache-Control: max-age=86400", "cache header ETag: \"r1\""},
       0, false, false, package_address, std::nullopt, std::nullopt, {"2.21", "2024-03-02", local.URL, local.Note}},
      {"no cache headers, other note and address", C::matches, answer(200, descriptor), failed,
       {"URL: served http://example.com/old.zip, local Update.txt " + local.URL, "Note: served 旧, local Update.txt Fixed", "no cache headers"},
       0, false, false, package_address, std::nullopt, std::nullopt, {"2.22", "2024-03-02", "http://example.com/old.zip", runtime::gbk("旧")}},

      {"a zip archive", C::package, answer(200, zip_bytes), ok, {"200, begins as a zip archive"}},
      {"a rar archive", C::package, answer(200, rar_bytes), ok, {}, 0, false, false, "http://example.com/Sales.RAR"},
      {"a rar behind a zip address", C::package, answer(200, rar_bytes), failed, {"not those of a zip archive: 52 61 72 21 1a 07 00 (a rar archive)"}},
      {"an empty package", C::package, answer(200, ""), failed, {"zip archive: none"}},
      {"a login page", C::package, answer(200, login_page, {{"Content-Type", "text/html"}}), failed, {"an HTML page", "not a zip archive"}},
      {"a page as a download", C::package, answer(200, login_page, {{"Content-Type", "application/octet-stream"}}), failed, {"its content is markup"}},
      {"missing", C::package, answer(404, ""), failed, {"answered 404"}},
      {"an address of no archive", C::package, answer(200, zip_bytes), failed, {"neither a zip nor a rar archive"}, 0, false, false, "http://example.com/a.7z"},
      {"an address of another scheme", C::package, answer(200, zip_bytes), failed, {"no http:// address"}, 0, false, false, "ftp://example.com/a.zip"},
      {"no answer in time", C::package, fault(HttpFault::timeout), not_made, {"within the timeout"}},
      {"an address the HTTP library refuses", C::package, fault(HttpFault::bad_url), failed, {"no address a client can ask"}, 0, false, false, "http://[example.com/a.zip"},
      {"an address holding a blank", C::package, answer(200, zip_bytes), failed,
       {"URL http://example.com/sales 2.zip holds a blank: no client can ask for it as written"}, 0, false, false,
       "http://example.com/sales 2.zip"},
      {"equal to the local package", C::package, answer(200, zip_bytes), ok, {"8 bytes, SHA-256 aa11, equal to sales.zip"},
       0, false, false, package_address, sales_zip, release::PackageDigest{8, "aa11"}},
      {"shorter than the local package", C::package, answer(200, zip_bytes), failed, {"7 bytes, sales.zip has 8"},
       0, false, false, package_address, sales_zip, release::PackageDigest{7, "aa11"}},
      {"other bytes than the local package", C::package, answer(200, zip_bytes), failed, {"SHA-256 bb22, sales.zip has aa11"},
       0, false, false, package_address, sales_zip, release::PackageDigest{8, "bb22"}},
      {"longer than the local package", C::package, cut(answer(200, zip_bytes)), failed, {"more than 8 bytes"},
       0, false, false, package_address, sales_zip, std::nullopt},
  };
  return table;
}

TEST(VerifyChecks, EachReceivedAnswerGetsItsVerdict) {
  for (const Row& row : rows()) {
    SCOPED_TRACE(row.what);
    files::UpdateDescriptor served;
    const release::CheckResult result = judge(row, served);
    EXPECT_EQ(result.state, row.state) << joined(result.details);
    for (const std::string& piece : row.seen) EXPECT_NE(joined(result.details).find(piece), std::string::npos) << joined(result.details);
    if (row.check == Check::descriptor && row.state == CheckState::ok && row.redirects == 0 && row.received.answer.body == descriptor) {
      EXPECT_EQ(served.Version, local.Version);
      EXPECT_EQ(served.URL, local.URL);
      EXPECT_EQ(served.Note, local.Note);
    }
  }
}

TEST(VerifyChecks, AFailureOutweighsACheckNotMade) {
  using enum CheckState;
  using release::Verdict;
  auto verdict = [](std::vector<CheckState> states) {
    std::vector<release::CheckResult> checks;
    for (CheckState state : states) checks.push_back({"c", state, {}});
    return release::verdict_of(checks);
  };
  EXPECT_EQ(verdict({ok, ok, ok}), Verdict::passed);
  EXPECT_EQ(verdict({ok, not_made}), Verdict::not_checked);
  EXPECT_EQ(verdict({not_made, failed}), Verdict::failed);
}

// Versions compare as decimal numbers, exactly, however long.
TEST(VerifyVersions, ComparedAsDecimalNumbers) {
  struct Case {
    const char* a;
    const char* b;
    std::optional<int> order;
  };
  const Case cases[] = {
      {"1.10", "1.9", -1},   {"2", "2.0", 0},     {"2.22", "2.3", -1},  {"010", "9", 1},
      {"-1", "0.5", -1},     {"-1.5", "-1.25", -1}, {"-0", "0", 0},     {" 2.5 ", "2.5", 0},
      {".5", "0.50", 0},     {"3.", "3", 0},      {"12345678901234567890.1", "12345678901234567890.09", 1},
      {"2.x", "2", std::nullopt}, {"", "1", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " against " + c.b);
    EXPECT_EQ(release::compare_versions(c.a, c.b), c.order);
  }
}

TEST(VerifyVersions, WarnsWhenTheNewestIsNotGreater) {
  EXPECT_EQ(release::versions_warning("1.9", "1.10").value_or(""),
            "the served newest version 1.10 is less than the installed version 1.9 in UpdateConfig.ini, as decimal "
            "numbers; clients of the installation UpdateConfig.ini describes may not see the update");
  EXPECT_NE(release::versions_warning("2.22", "2.22").value_or("").find("2.22 equals the installed version 2.22"), std::string::npos);
  EXPECT_NE(release::versions_warning("1.5", "new").value_or("").find("cannot both be read as decimal numbers"), std::string::npos);
  EXPECT_FALSE(release::versions_warning("1.9", "1.91"));
}

TEST(VerifyRedirects, LocationResolvedAgainstTheAddress) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://other.example/a.txt", "http://other.example/a.txt"},
      {"//cdn.example/a.txt", "http://cdn.example/a.txt"},
      {"/new/Update.txt", "http://example.com/new/Update.txt"},
      {"Update2.txt", "http://example.com/update/Update2.txt"},
      {"../x.txt", "http://example.com/update/../x.txt"},
  };
  for (const auto& [location, resolved] : cases) EXPECT_EQ(release::resolve_location(address + "?q", location), resolved);
  EXPECT_EQ(release::resolve_location("http://example.com", "a.txt"), "http://example.com/a.txt");
}

}  // namespace
