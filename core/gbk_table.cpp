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

std::size_t pair_index(unsigned lead, unsigned trail) { return (lead - kFirstLead) * 256 + trail; }

// Code page 936 as Windows defines it gives every two-byte code a character:
// the three areas GBK leaves to its users, and the few codes it leaves
// unassigned elsewhere, map to the Private Use Area. Converters that leave
// them out (iconv's CP936) get the same assignment here, so that any two-byte
// GBK survives GBK -> UTF-16 -> GBK on every platform alike.
//
// The user areas, each in code order (trail 0x7F is no trail byte):
struct UserArea {
  unsigned first_lead, last_lead, first_trail, last_trail;
  char16_t first_unit;
};
constexpr UserArea kUserAreas[] = {
    {0xAA, 0xAF, 0xA1, 0xFE, 0xE000},  // AAA1-AFFE -> U+E000-U+E233
    {0xF8, 0xFE, 0xA1, 0xFE, 0xE234},  // F8A1-FEFE -> U+E234-U+E4C5
    {0xA1, 0xA7, 0x40, 0xA0, 0xE4C6},  // A140-A7A0 -> U+E4C6-U+E765
};
// Every other two-byte code still unmapped after them, in code order.
constexpr char16_t kFirstOtherPrivateUnit = 0xE766;
constexpr char16_t kLastPrivateUnit = 0xF8FF;

void assign_private(GbkTables& t, unsigned lead, unsigned trail, char16_t unit) {
  char16_t& decoded = t.from_gbk[pair_index(lead, trail)];
  if (decoded != 0 || t.to_gbk[unit] != 0) return;  // the platform's mapping stands
  decoded = unit;
  t.to_gbk[unit] = static_cast<std::uint16_t>(lead << 8 | trail);
}

void fill_private_use_area(GbkTables& t) {
  for (const UserArea& area : kUserAreas) {
    char16_t unit = area.first_unit;
    for (unsigned lead = area.first_lead; lead <= area.last_lead; ++lead) {
      for (unsigned trail = area.first_trail; trail <= area.last_trail; ++trail) {
        if (trail == 0x7F) continue;
        assign_private(t, lead, trail, unit++);
      }
    }
  }
  char16_t unit = kFirstOtherPrivateUnit;
  for (unsigned lead = kFirstLead; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE && unit <= kLastPrivateUnit; ++trail) {
      if (trail == 0x7F || t.from_gbk[pair_index(lead, trail)] != 0) continue;
      assign_private(t, lead, trail, unit++);
    }
  }
}

// The decoding tables come from the platform's code page 936, one code at a
// time; the encoding table is their inverse, so a unit encodes only to a code
// that decodes back to it (no best-fit stand-ins, and no single byte but 0x80:
// Windows would also encode U+F8F5 as the lone byte 0xFF, which is no GBK).
std::unique_ptr<GbkTables> build_tables() {
  auto tables = std::make_unique<GbkTables>();
  tables->euro = cp936_decode_one("\x80");
  for (unsigned lead = kFirstLead; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      tables->from_gbk[pair_index(lead, trail)] = cp936_decode_one(std::string_view(pair, 2));
    }
  }
  // Surrogates are no characters, and ASCII stays one byte.
  const auto encodable = [](char16_t unit) {
    return unit >= 0x80 && (unit < 0xD800 || unit > 0xDFFF);
  };
  for (unsigned lead = kFirstLead; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      char16_t& unit = tables->from_gbk[pair_index(lead, trail)];
      if (unit == 0) continue;
      if (!encodable(unit) || tables->to_gbk[unit] != 0) {
        unit = 0;  // one code per character: the first in code order keeps it
        continue;
      }
      tables->to_gbk[unit] = static_cast<std::uint16_t>(lead << 8 | trail);
    }
  }
  if (tables->euro != 0 && encodable(tables->euro) && tables->to_gbk[tables->euro] == 0) {
    tables->to_gbk[tables->euro] = 0x80;
  } else {
    tables->euro = 0;
  }
  fill_private_use_area(*tables);
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
      unit = t.from_gbk[pair_index(byte, trail)];
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
