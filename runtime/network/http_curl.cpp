// http_get through libcurl: one transfer, redirects not followed, only http
// and https, nothing added to the request beyond what HTTP itself needs.
#include <curl/curl.h>

#include <memory>

#include "runtime/network/http.h"
#include "runtime/text/gbk.h"

namespace runtime {
namespace {

// Headers without end are no answer: reading them stops here.
constexpr std::size_t max_header_bytes = 1 << 20;

struct Transfer {
  const HttpGet* request;
  CURL* curl;
  HttpAnswer answer;
  bool stopped = false;  // reading stopped on purpose: the answer is cut, not broken
  std::size_t header_bytes = 0;
};

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::string_view line(data, size * count);
  transfer.header_bytes += line.size();
  if (transfer.header_bytes > max_header_bytes) return 0;  // ends the transfer as broken
  if (line.starts_with("HTTP/")) {
    transfer.answer.headers.clear();  // an interim answer (100 Continue) gave way to the real one
  } else if (const auto colon = line.find(':'); colon != std::string_view::npos) {
    transfer.answer.headers.push_back({trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1))});
  }
  return size * count;
}

std::size_t on_data(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  HttpAnswer& answer = transfer.answer;
  const std::string_view piece(data, size * count);
  if (answer.status == 0) {
    long status = 0;
    curl_easy_getinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &status);
    answer.status = static_cast<int>(status);
  }
  const std::size_t limit = transfer.request->body_limit;
  if (answer.body.size() < limit) answer.body.append(piece.substr(0, limit - answer.body.size()));
  answer.body_size += piece.size();
  const bool more = transfer.request->on_body ? transfer.request->on_body(answer, piece) : answer.body_size <= limit;
  if (!more) {
    transfer.stopped = true;
    answer.body_cut = true;
    return 0;  // ends the transfer
  }
  return piece.size();
}

// True for an absolute http:// or https:// address that libcurl can parse.
bool takes_url(const std::string& url) {
  const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), curl_url_cleanup);
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return false;
  char* scheme = nullptr;
  if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return false;
  const std::string name = scheme;
  curl_free(scheme);
  return name == "http" || name == "https";
}

HttpFault fault_of(CURLcode code) {
  switch (code) {
    case CURLE_OK: return HttpFault::none;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return HttpFault::resolve;
    case CURLE_COULDNT_CONNECT: return HttpFault::connect;
    case CURLE_OPERATION_TIMEDOUT: return HttpFault::timeout;
    default: return HttpFault::broken;  // reset, garbage, a cut-off answer, TLS failures
  }
}

}  // namespace

HttpResult http_get(const HttpGet& request) {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  HttpResult result;
  if (!takes_url(request.url)) {
    result.fault = HttpFault::bad_url;
    result.fault_text = "not an http:// or https:// address";
    return result;
  }
  const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(initialised ? curl_easy_init() : nullptr,
                                                                   curl_easy_cleanup);
  if (!curl) {
    result.fault = HttpFault::broken;
    result.fault_text = "the HTTP library could not be started";
    return result;
  }
  Transfer transfer{&request, curl.get(), {}};
  char error[CURL_ERROR_SIZE] = "";
  CURL* handle = curl.get();
  curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeout.count()));
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);  // no SIGALRM for the timeout: safe beside threads
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, on_header);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, on_data);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  const CURLcode code = curl_easy_perform(handle);

  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  transfer.answer.status = static_cast<int>(status);
  result.answer = std::move(transfer.answer);
  if (code == CURLE_WRITE_ERROR && transfer.stopped) return result;
  result.fault = fault_of(code);
  if (result.fault == HttpFault::none && result.answer.status == 0) result.fault = HttpFault::broken;
  // libcurl's words hold the address as it was given, in GBK.
  if (result.fault != HttpFault::none) result.fault_text = utf8(error[0] != '\0' ? error : curl_easy_strerror(code));
  return result;
}

}  // namespace runtime
