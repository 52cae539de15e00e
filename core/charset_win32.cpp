// The character-set converters over the Windows code-page API.
//
// A page names its character set; Windows converts by code page number, so
// the name is looked up in a table of the names pages use (compared without
// regard to case). A name that is not in the table is not decoded.
#include "core/charset.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
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
    NamedCodePage{"utf-8", CP_UTF8},
    NamedCodePage{"utf8", CP_UTF8},
    NamedCodePage{"gbk", 936},
    NamedCodePage{"gb2312", 936},
    NamedCodePage{"cp936", 936},
    NamedCodePage{"x-gbk", 936},
    NamedCodePage{"ms936", 936},
    NamedCodePage{"windows-936", 936},
    NamedCodePage{"euc-cn", 936},
    NamedCodePage{"gb18030", 54936},
    NamedCodePage{"big5", 950},
    NamedCodePage{"big5-hkscs", 950},
    NamedCodePage{"cp950", 950},
    NamedCodePage{"shift_jis", 932},
    NamedCodePage{"shift-jis", 932},
    NamedCodePage{"sjis", 932},
    NamedCodePage{"x-sjis", 932},
    NamedCodePage{"windows-31j", 932},
    NamedCodePage{"cp932", 932},
    NamedCodePage{"euc-jp", 20932},
    NamedCodePage{"iso-2022-jp", 50220},
    NamedCodePage{"euc-kr", 949},
    NamedCodePage{"ks_c_5601-1987", 949},
    NamedCodePage{"cp949", 949},
    NamedCodePage{"iso-8859-1", 28591},
    NamedCodePage{"iso8859-1", 28591},
    NamedCodePage{"latin1", 28591},
    NamedCodePage{"latin-1", 28591},
    NamedCodePage{"l1", 28591},
    NamedCodePage{"us-ascii", 20127},
    NamedCodePage{"ascii", 20127},
    NamedCodePage{"iso-8859-2", 28592},
    NamedCodePage{"iso-8859-5", 28595},
    NamedCodePage{"iso-8859-7", 28597},
    NamedCodePage{"iso-8859-9", 28599},
    NamedCodePage{"iso-8859-15", 28605},
    NamedCodePage{"koi8-r", 20866},
    NamedCodePage{"koi8-u", 21866},
    NamedCodePage{"windows-874", 874},
    NamedCodePage{"tis-620", 874},
    NamedCodePage{"windows-1250", 1250},
    NamedCodePage{"windows-1251", 1251},
    NamedCodePage{"windows-1252", 1252},
    NamedCodePage{"windows-1253", 1253},
    NamedCodePage{"windows-1254", 1254},
    NamedCodePage{"windows-1255", 1255},
    NamedCodePage{"windows-1256", 1256},
    NamedCodePage{"windows-1257", 1257},
    NamedCodePage{"windows-1258", 1258},
    NamedCodePage{"cp1252", 1252},
    NamedCodePage{"utf-16le", 1200},
    NamedCodePage{"utf-16", 1200},
    NamedCodePage{"utf-16be", 1201},
};

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::u16string units_from_bytes(std::string_view bytes, bool big_endian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(big_endian ? first << 8 | second : first | second << 8);
  }
  return units;
}

// Converts `bytes` in `code_page`. Without flags the code page replaces what is
// invalid in it and goes on (UTF-8 gives U+FFFD per bad sequence).
std::u16string decode_code_page(std::string_view bytes, UINT code_page) {
  std::u16string units;
  if (code_page == 1200 || code_page == 1201) {
    // UTF-16 is no ANSI code page for MultiByteToWideChar.
    units = units_from_bytes(bytes, code_page == 1201);
    if (bytes.size() % 2 != 0) units.push_back(u'\uFFFD');
    return units;
  }
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) return units;
  const int size = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0);
  if (needed <= 0) return units;
  units.resize(static_cast<std::size_t>(needed));
  MultiByteToWideChar(code_page, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(units.data()),
                      needed);
  return units;
}

}  // namespace

std::optional<std::u16string> decode_charset(std::string_view bytes, std::string_view charset) {
  const auto known = std::find_if(kCodePages.begin(), kCodePages.end(),
                                  [&](const NamedCodePage& entry) {
                                    return same_name(entry.name, charset);
                                  });
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

std::string cp936_encode_one(char16_t unit) {
  const wchar_t wide = static_cast<wchar_t>(unit);
  char code[4] = {};
  BOOL used_default = FALSE;
  const int written =
      WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, &wide, 1, code, sizeof code, nullptr,
                          &used_default);
  if (written <= 0 || used_default) return {};
  return std::string(code, static_cast<std::size_t>(written));
}

}  // namespace velkoran::detail
