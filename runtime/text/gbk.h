#pragma once
// The one place where texts cross between GBK (code page 936) bytes, the
// system's own encoding, and UTF-8, the encoding of source literals and the
// bridge to the window toolkit.
#include <string>
#include <string_view>

namespace runtime {

struct Conversion {
  std::string text;       // the converted text; an unconvertible character becomes "?"
  bool complete = true;   // false when some character had to be replaced
};

Conversion gbk_from_utf8(std::string_view utf8);
Conversion utf8_from_gbk(std::string_view gbk);

// For literals known to be representable: the GBK bytes of a UTF-8 text.
std::string gbk(std::string_view utf8);

// For output to a terminal, a log or JSON: the UTF-8 of a GBK text, with "?"
// for what is no GBK.
std::string utf8(std::string_view gbk);

}  // namespace runtime
