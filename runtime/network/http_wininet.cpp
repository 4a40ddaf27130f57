// One HTTP GET through WinINet, the API the update client's kind uses on
// Windows: the system's proxy settings apply (INTERNET_OPEN_TYPE_PRECONFIG)
// and the request is the one InternetOpenUrl makes, with WinINet's local
// cache bypassed. The calls are made one by one (connection, request,
// send) so that the request's timeouts are set before it is sent.
#ifdef _WIN32

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/network/http.h"
#include "runtime/text/wide_text.h"

namespace runtime {
namespace {

using Clock = std::chrono::steady_clock;

// INTERNET_FLAG_RELOAD reads from the server, not from WinINet's cache, and
// INTERNET_FLAG_NO_CACHE_WRITE keeps the answer out of it; neither adds a
// header. INTERNET_FLAG_PRAGMA_NOCACHE is left out on purpose: it sends
// "Pragma: no-cache", which makes proxies and caches on the way answer
// otherwise than they answer the client. No cookies of the user's are sent or stored, no dialog is shown.
constexpr DWORD request_flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTH;

struct ErrorMeaning {
  DWORD error;
  HttpFault fault;
  const char* text;
};

const ErrorMeaning error_meanings[] = {
    {ERROR_INTERNET_INVALID_URL, HttpFault::bad_url, "the address is not a valid URL"},
    {ERROR_INTERNET_UNRECOGNIZED_SCHEME, HttpFault::bad_url, "the address is not an http:// or https:// address"},
    {ERROR_INTERNET_NAME_NOT_RESOLVED, HttpFault::resolve, "the host name does not resolve"},
    {ERROR_INTERNET_CANNOT_CONNECT, HttpFault::connect, "the connection was refused or could not be made"},
    {ERROR_INTERNET_SEC_CERT_CN_INVALID, HttpFault::connect, "the server's certificate names another host"},
    {ERROR_INTERNET_SEC_CERT_DATE_INVALID, HttpFault::connect, "the server's certificate has expired"},
    {ERROR_INTERNET_INVALID_CA, HttpFault::connect, "the server's certificate is not trusted"},
    {ERROR_INTERNET_SEC_CERT_REVOKED, HttpFault::connect, "the server's certificate is revoked"},
    {ERROR_INTERNET_SECURITY_CHANNEL_ERROR, HttpFault::connect, "no secure connection could be made"},
    {ERROR_INTERNET_TIMEOUT, HttpFault::timeout, "no whole answer within the timeout"},
    {ERROR_INTERNET_CONNECTION_RESET, HttpFault::broken, "the connection was reset"},
    {ERROR_INTERNET_CONNECTION_ABORTED, HttpFault::broken, "the connection was closed"},
    {ERROR_HTTP_INVALID_SERVER_RESPONSE, HttpFault::broken, "the server's answer is no HTTP answer"},
    {ERROR_HTTP_INVALID_HEADER, HttpFault::broken, "the server's answer has an invalid header"},
};

HttpResult failed(HttpFault fault, std::string text, HttpAnswer answer = {}) {
  return {fault, std::move(text), std::move(answer)};
}

HttpResult failed_with(DWORD error, HttpAnswer answer = {}) {
  const std::string code = " (WinINet error " + std::to_string(error) + ")";
  for (const ErrorMeaning& meaning : error_meanings) {
    if (meaning.error == error) return failed(meaning.fault, meaning.text + code, std::move(answer));
  }
  return failed(HttpFault::broken, "the request failed" + code, std::move(answer));
}

// The address as WinINet takes it: bytes outside printable ASCII (GBK
// characters of a path, spaces) percent-encoded, as a server decodes them,
// so that no code page of this Windows comes between.
std::wstring request_address(std::string_view url) {
  std::string ascii;
  for (const unsigned char byte : url) {
    if (byte > 0x20 && byte < 0x7f) {
      ascii += static_cast<char>(byte);
    } else {
      static const char digits[] = "0123456789ABCDEF";
      ascii += {'%', digits[byte >> 4], digits[byte & 15]};
    }
  }
  return wide_text(ascii);
}

// Owns a request's WinINet handles and closes them at the deadline, so that
// a call blocked in them returns (Windows ends the pending call; Wine
// differs and lets it run on until its own receive timeout).
class Watchdog {
 public:
  explicit Watchdog(Clock::time_point deadline) : thread_([this, deadline] {
    std::unique_lock lock(mutex_);
    if (done_signal_.wait_until(lock, deadline, [this] { return done_; })) return;
    timed_out_ = true;
    lock.unlock();  // closing may wait for the call the handles are in
    close_all();
  }) {}
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Takes a new handle (null: none made); false when there is none or the
  // deadline has passed, in which case the handle is closed already.
  bool adopt(HINTERNET handle) {
    if (!handle) return false;
    std::unique_lock lock(mutex_);
    if (timed_out_) {
      lock.unlock();
      InternetCloseHandle(handle);
      return false;
    }
    handles_.push_back(handle);
    return true;
  }
  bool timed_out() {
    std::lock_guard lock(mutex_);
    return timed_out_;
  }
  // Ends the watch and closes the handles unless the watchdog did.
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    done_signal_.notify_one();
    thread_.join();
    if (!timed_out_) close_all();
  }

 private:
  // Children first: the request, its connection, the session. Once
  // timed_out_ or done_ is set, handles_ no longer changes.
  void close_all() {
    for (auto handle = handles_.rbegin(); handle != handles_.rend(); ++handle) InternetCloseHandle(*handle);
  }

  std::vector<HINTERNET> handles_;
  bool done_ = false;
  bool timed_out_ = false;
  std::mutex mutex_;
  std::condition_variable done_signal_;
  std::thread thread_;
};

// The parts of an address that a connection and its request need.
struct Address {
  std::wstring host, user, password, path;
  INTERNET_PORT port = 0;
  bool secure = false;
};

bool crack(const std::wstring& url, Address& address) {
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUserNameLength = parts.dwPasswordLength = 1;  // asked for
  parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
  const auto part = [](const wchar_t* text, DWORD length) { return text ? std::wstring(text, length) : L""; };
  address.host = part(parts.lpszHostName, parts.dwHostNameLength);
  address.user = part(parts.lpszUserName, parts.dwUserNameLength);
  address.password = part(parts.lpszPassword, parts.dwPasswordLength);
  // The path and the query as given; a fragment is never sent.
  address.path = part(parts.lpszUrlPath, parts.dwUrlPathLength) + part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  address.path = address.path.substr(0, address.path.find(L'#'));
  if (address.path.empty()) address.path = L"/";
  address.port = parts.nPort;
  address.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  return !address.host.empty();
}

// The status line's number and every header line after it, in order, as
// received (the ANSI call gives the bytes WinINet read).
bool read_head(HINTERNET request, HttpAnswer& answer) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) return false;
  if (status == 0) {  // Wine's answer to a connection reset before any answer
    SetLastError(ERROR_INTERNET_CONNECTION_RESET);
    return false;
  }
  answer.status = static_cast<int>(status);
  std::string raw(4096, '\0');
  for (;;) {
    size = static_cast<DWORD>(raw.size());
    if (HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, raw.data(), &size, nullptr)) break;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    raw.resize(size + 1);
  }
  raw.resize(size);
  std::size_t start = raw.find("\r\n");  // past the status line
  while (start != std::string::npos && start + 2 < raw.size()) {
    start += 2;
    const std::size_t end = std::min(raw.find("\r\n", start), raw.size());
    const std::string line = raw.substr(start, end - start);
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos) {
      const std::size_t value = line.find_first_not_of(" \t", colon + 1);
      answer.headers.push_back({line.substr(0, colon), value == std::string::npos ? "" : line.substr(value)});
    }
    start = end;
  }
  return true;
}

// The declared length of a body sent whole (not chunked), or -1.
long long declared_length(const HttpAnswer& answer) {
  const std::string length = header_value(answer, "Content-Length");
  if (length.empty() || !header_value(answer, "Transfer-Encoding").empty()) return -1;
  try {
    return std::stoll(length);
  } catch (const std::exception&) {
    return -1;
  }
}

}  // namespace

HttpResult http_get(const HttpGet& get) {
  Address address;
  if (!crack(request_address(get.url), address)) {
    return failed(HttpFault::bad_url, "the address is not an http:// or https:// address");
  }
  const Clock::time_point deadline = Clock::now() + get.timeout;
  Watchdog watchdog(deadline);
  // A failure at the deadline is the timeout's, whatever WinINet calls it
  // (Wine reports a receive timeout as an aborted connection).
  const auto fault = [&](DWORD error, HttpAnswer answer = {}) {
    if (watchdog.timed_out() || Clock::now() >= deadline) {
      return failed(HttpFault::timeout, "no whole answer within the timeout", std::move(answer));
    }
    return failed_with(error, std::move(answer));
  };

  // No agent: WinINet then sends no User-Agent header of its own.
  const HINTERNET session = InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!watchdog.adopt(session)) return fault(GetLastError());
  const HINTERNET connection =
      InternetConnectW(session, address.host.c_str(), address.port, address.user.empty() ? nullptr : address.user.c_str(),
                       address.password.empty() ? nullptr : address.password.c_str(), INTERNET_SERVICE_HTTP, 0, 0);
  if (!watchdog.adopt(connection)) return fault(GetLastError());
  // What InternetOpenUrl asks for, so the request is the one a client makes
  // through it.
  const wchar_t* accept[] = {L"*/*", nullptr};
  const DWORD flags = request_flags | (address.secure ? INTERNET_FLAG_SECURE : 0);
  const HINTERNET request =
      HttpOpenRequestW(connection, L"GET", address.path.c_str(), nullptr, nullptr, accept, flags, 0);
  if (!watchdog.adopt(request)) return fault(GetLastError());
  // Each single wait no longer than the whole request.
  DWORD wait = static_cast<DWORD>(std::max<long long>(1, get.timeout.count()));
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionW(request, option, &wait, sizeof wait);
  }
  if (!HttpSendRequestW(request, nullptr, 0, nullptr, 0)) return fault(GetLastError());

  HttpResult result;
  HttpAnswer& answer = result.answer;
  if (!read_head(request, answer)) return fault(GetLastError(), std::move(answer));

  std::string piece(64 * 1024, '\0');
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request, piece.data(), static_cast<DWORD>(piece.size()), &read)) {
      return fault(GetLastError(), std::move(answer));
    }
    if (read == 0) break;
    if (Clock::now() >= deadline) return fault(ERROR_INTERNET_TIMEOUT, std::move(answer));
    const std::string_view bytes(piece.data(), read);
    if (answer.body.size() < get.body_limit) answer.body.append(bytes.substr(0, get.body_limit - answer.body.size()));
    answer.body_size += read;
    const bool more = get.on_body ? get.on_body(answer, bytes) : answer.body_size <= get.body_limit;
    if (!more) {
      answer.body_cut = true;
      return result;
    }
  }
  // WinINet ends a body that the server cut short as if it were whole.
  const long long length = declared_length(answer);
  if (length >= 0 && static_cast<unsigned long long>(length) > answer.body_size) {
    return failed(HttpFault::broken, "the connection closed before the body's end", std::move(answer));
  }
  return result;
}

}  // namespace runtime

#endif
