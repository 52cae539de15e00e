#include "core/gbk_table.h"

#include "core/charset.h"

#include <array>
#include <cstdint>
#include <memory>

namespace velkoran::detail {
namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;
constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLeadCount = 0xFE - kFirstLead + 1;

struct GbkTables {
  char16_t euro = 0;  // the single byte 0x80, when the code page maps it
  // Two-byte codes: index (lead - 0x81) * 256 + trail; 0 means unmapped.
  std::array<char16_t, kLeadCount * 256> from_gbk{};
  // UTF-16 unit -> GBK code: below 0x100 one byte, else two; 0 means unmapped.
  std::array<std::uint16_t, 0x10000> to_gbk{};
};

std::unique_ptr<GbkTables> build_tables() {
  auto tables = std::make_unique<GbkTables>();
  tables->euro = cp936_decode_one("\x80");
  for (unsigned lead = kFirstLead; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      tables->from_gbk[(lead - kFirstLead) * 256 + trail] =
          cp936_decode_one(std::string_view(pair, 2));
    }
  }
  for (unsigned unit = 0x80; unit <= 0xFFFF; ++unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;
    const std::string code = cp936_encode_one(static_cast<char16_t>(unit));
    if (code.size() == 1) {
      tables->to_gbk[unit] = static_cast<unsigned char>(code[0]);
    } else if (code.size() == 2) {
      tables->to_gbk[unit] = static_cast<std::uint16_t>(static_cast<unsigned char>(code[0]) << 8 |
                                                        static_cast<unsigned char>(code[1]));
    }
  }
  return tables;
}

const GbkTables& tables() {
  static const std::unique_ptr<GbkTables> built = build_tables();
  return *built;
}

}  // namespace

void append_gbk_as_utf16(std::string_view gbk, std::u16string& units) {
  const GbkTables& t = tables();
  // At most one unit per byte: write into place, then cut to what was written.
  std::size_t written = units.size();
  units.resize(written + gbk.size());
  char16_t* out = units.data();
  for (std::size_t pos = 0; pos < gbk.size();) {
    const auto byte = static_cast<unsigned char>(gbk[pos]);
    if (byte < 0x80) {
      out[written++] = byte;
      pos += 1;
      continue;
    }
    char16_t unit = 0;
    std::size_t width = 1;
    if (byte == 0x80) {
      unit = t.euro;
    } else if (byte != 0xFF && pos + 1 < gbk.size()) {
      const auto trail = static_cast<unsigned char>(gbk[pos + 1]);
      unit = t.from_gbk[(byte - kFirstLead) * 256 + trail];
      if (unit != 0) width = 2;
    }
    out[written++] = unit != 0 ? unit : kReplacementCharacter;
    pos += width;
  }
  units.resize(written);
}

void append_utf16_as_gbk(std::u16string_view units, std::string& gbk) {
  const GbkTables& t = tables();
  // At most two bytes per unit.
  std::size_t written = gbk.size();
  gbk.resize(written + units.size() * 2);
  char* out = gbk.data();
  for (std::size_t pos = 0; pos < units.size(); ++pos) {
    const char16_t unit = units[pos];
    if (unit < 0x80) {
      out[written++] = static_cast<char>(unit);
      continue;
    }
    const std::uint16_t code = t.to_gbk[unit];
    if (code == 0) {
      // A surrogate pair is one character: one "?" for both units.
      const bool pair = unit >= 0xD800 && unit <= 0xDBFF && pos + 1 < units.size() &&
                        units[pos + 1] >= 0xDC00 && units[pos + 1] <= 0xDFFF;
      if (pair) ++pos;
      out[written++] = '?';
    } else if (code < 0x100) {
      out[written++] = static_cast<char>(code);
    } else {
      out[written++] = static_cast<char>(code >> 8);
      out[written++] = static_cast<char>(code & 0xFF);
    }
  }
  gbk.resize(written);
}

}  // namespace velkoran::detail
