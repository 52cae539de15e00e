// The character-set converters over the Windows code-page API.
//
// A page names its character set; Windows converts by code page number, so
// the name is looked up in a table of the names pages use (compared without
// regard to ASCII case). A name that is not in the table, or whose code page
// this Windows does not have installed, is not decoded. Code page 936 itself,
// UTF-16 and ASCII never come here: codepage.cpp decodes them alike on every
// platform.
#include "core/charset.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <climits>
#include <string>

namespace velkoran::detail {
namespace {

struct NamedCodePage {
  std::string_view name;
  UINT code_page;
};

// Names as pages declare them, with the Windows code page of each.
constexpr std::array kCodePages{
    NamedCodePage{"utf-8", CP_UTF8},     NamedCodePage{"utf8", CP_UTF8},
    NamedCodePage{"gb18030", 54936},     NamedCodePage{"big5", 950},
    NamedCodePage{"big5-hkscs", 950},    NamedCodePage{"cp950", 950},
    NamedCodePage{"shift_jis", 932},     NamedCodePage{"shift-jis", 932},
    NamedCodePage{"sjis", 932},          NamedCodePage{"x-sjis", 932},
    NamedCodePage{"windows-31j", 932},   NamedCodePage{"cp932", 932},
    NamedCodePage{"euc-jp", 20932},      NamedCodePage{"iso-2022-jp", 50220},
    NamedCodePage{"euc-kr", 949},        NamedCodePage{"ks_c_5601-1987", 949},
    NamedCodePage{"cp949", 949},         NamedCodePage{"iso-8859-1", 28591},
    NamedCodePage{"iso8859-1", 28591},   NamedCodePage{"latin1", 28591},
    NamedCodePage{"latin-1", 28591},     NamedCodePage{"l1", 28591},
    NamedCodePage{"us-ascii", 20127},    NamedCodePage{"ascii", 20127},
    NamedCodePage{"iso-8859-2", 28592},  NamedCodePage{"iso-8859-5", 28595},
    NamedCodePage{"iso-8859-7", 28597},  NamedCodePage{"iso-8859-9", 28599},
    NamedCodePage{"iso-8859-15", 28605}, NamedCodePage{"koi8-r", 20866},
    NamedCodePage{"koi8-u", 21866},      NamedCodePage{"windows-874", 874},
    NamedCodePage{"tis-620", 874},       NamedCodePage{"windows-1250", 1250},
    NamedCodePage{"windows-1251", 1251}, NamedCodePage{"windows-1252", 1252},
    NamedCodePage{"windows-1253", 1253}, NamedCodePage{"windows-1254", 1254},
    NamedCodePage{"windows-1255", 1255}, NamedCodePage{"windows-1256", 1256},
    NamedCodePage{"windows-1257", 1257}, NamedCodePage{"windows-1258", 1258},
    NamedCodePage{"cp1250", 1250},       NamedCodePage{"cp1251", 1251},
    NamedCodePage{"cp1252", 1252},       NamedCodePage{"cp1253", 1253},
    NamedCodePage{"cp1254", 1254},       NamedCodePage{"cp1255", 1255},
    NamedCodePage{"cp1256", 1256},       NamedCodePage{"cp1257", 1257},
    NamedCodePage{"cp1258", 1258},
};

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return ascii_lower(x) == ascii_lower(y);
         });
}

// Code pages that keep a shift state from one byte to the next (ISO 2022):
// the API takes no flags for them, and they cannot be read a character at a time.
bool keeps_shift_state(UINT code_page) {
  return (code_page >= 50220 && code_page <= 50229) || (code_page >= 57002 && code_page <= 57011);
}

// All of `bytes` in one call; false when the code page refuses them (with
// MB_ERR_INVALID_CHARS: when any sequence is invalid in it).
bool convert_all(std::string_view bytes, UINT code_page, DWORD flags, std::u16string& units) {
  const int size = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(code_page, flags, bytes.data(), size, nullptr, 0);
  if (needed <= 0) return false;
  units.resize(static_cast<std::size_t>(needed));
  return MultiByteToWideChar(code_page, flags, bytes.data(), size,
                             reinterpret_cast<wchar_t*>(units.data()), needed) == needed;
}

// `bytes` in `code_page`, read a character at a time: the shortest sequence
// the code page takes strictly is one character; where none does, the byte
// becomes U+FFFD and reading goes on with the next byte. (Left to itself the
// API turns a bad sequence into "?" or the code page's own default character
// and may swallow the byte after it.)
std::u16string convert_by_character(std::string_view bytes, UINT code_page) {
  CPINFO info{};
  const std::size_t longest =
      GetCPInfo(code_page, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 4;
  std::u16string units;
  units.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) {
    wchar_t character[2] = {};
    int written = 0;
    std::size_t length = 1;
    for (; length <= longest && pos + length <= bytes.size(); ++length) {
      written = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data() + pos,
                                    static_cast<int>(length), character, 2);
      if (written > 0) break;
    }
    if (written > 0) {
      units.append(reinterpret_cast<const char16_t*>(character), static_cast<std::size_t>(written));
      pos += length;
    } else {
      units.push_back(u'\uFFFD');
      pos += 1;
    }
  }
  return units;
}

std::optional<std::u16string> decode_code_page(std::string_view bytes, UINT code_page) {
  if (!IsValidCodePage(code_page)) return std::nullopt;
  std::u16string units;
  if (bytes.empty()) return units;
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  if (keeps_shift_state(code_page)) {
    if (!convert_all(bytes, code_page, 0, units)) return std::nullopt;
    return units;
  }
  // Valid text converts in one call; only text with a bad sequence in it is
  // read again a character at a time.
  if (convert_all(bytes, code_page, MB_ERR_INVALID_CHARS, units)) return units;
  return convert_by_character(bytes, code_page);
}

}  // namespace

std::optional<std::u16string> decode_charset(std::string_view bytes, std::string_view charset) {
  const auto known =
      std::find_if(kCodePages.begin(), kCodePages.end(),
                   [&](const NamedCodePage& entry) { return same_name(entry.name, charset); });
  if (known == kCodePages.end()) return std::nullopt;
  return decode_code_page(bytes, known->code_page);
}

std::string encode_utf8(std::u16string_view units) {
  std::string utf8;
  // WideCharToMultiByte would turn a lone surrogate into U+FFFD; "?" is the rule here.
  std::u16string clean(units);
  for (std::size_t i = 0; i < clean.size(); ++i) {
    const char16_t unit = clean[i];
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (high && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 && clean[i + 1] <= 0xDFFF) {
      ++i;
    } else if (high || low) {
      clean[i] = u'?';
    }
  }
  if (clean.empty() || clean.size() > static_cast<std::size_t>(INT_MAX)) return utf8;
  const auto* wide = reinterpret_cast<const wchar_t*>(clean.data());
  const int size = static_cast<int>(clean.size());
  const int needed = WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return utf8;
  utf8.resize(static_cast<std::size_t>(needed));
  WideCharToMultiByte(CP_UTF8, 0, wide, size, utf8.data(), needed, nullptr, nullptr);
  return utf8;
}

char16_t cp936_decode_one(std::string_view code) {
  wchar_t unit[2] = {};
  const int written = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, code.data(),
                                          static_cast<int>(code.size()), unit, 2);
  return written == 1 ? static_cast<char16_t>(unit[0]) : 0;
}

}  // namespace velkoran::detail
