#pragma once
// One HTTP GET, as an update client makes it: the address as given, nothing
// added to the request, no redirect followed (the caller sees each hop and
// decides). Linux: libcurl; Windows: WinINet, with the system's proxy
// settings and its local cache bypassed.
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

struct HttpHeader {
  std::string name;
  std::string value;
};

// What the server answered, as far as it was read.
struct HttpAnswer {
  int status = 0;                   // 200, 301, 404, ...
  std::vector<HttpHeader> headers;  // as received, in order
  std::string body;                 // the first `HttpGet::body_limit` bytes of the body
  std::size_t body_size = 0;        // bytes of the body read in all
  bool body_cut = false;            // reading stopped before the body's end
};

// The value of the first header of that name (letter case ignored), or "".
std::string header_value(const HttpAnswer& answer, std::string_view name);

enum class HttpFault {
  none,        // an answer was read (of any status)
  bad_url,     // not an http:// or https:// address the library takes
  resolve,     // the host name does not resolve
  connect,     // the connection was refused or could not be made
  timeout,     // no whole answer within the timeout
  broken,      // the connection broke, or what came was no HTTP answer
};

struct HttpResult {
  HttpFault fault = HttpFault::none;
  std::string fault_text;  // what went wrong, in words (UTF-8), when fault != none
  HttpAnswer answer;       // status and headers once they were read
};

struct HttpGet {
  std::string url;
  // Bounds the whole request: connecting, the headers and the body.
  std::chrono::milliseconds timeout{10000};
  // Bytes of the body kept in `answer.body`; reading goes on past it only
  // while `on_body` asks for more.
  std::size_t body_limit = 1 << 20;
  // Called with each piece of the body as it arrives, after status and
  // headers are known; returns false to stop reading (the answer is then
  // cut, which is no fault). Optional.
  std::function<bool(const HttpAnswer& so_far, std::string_view piece)> on_body;
};

HttpResult http_get(const HttpGet& request);

}  // namespace runtime
