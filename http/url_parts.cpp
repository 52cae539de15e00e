#include "http/url_parts.h"

#include <algorithm>

#include "http/utf16_units.h"

namespace velkoran {
namespace {

char16_t fold(char16_t unit) { return (unit >= u'A' && unit <= u'Z') ? unit - u'A' + u'a' : unit; }

bool units_equal_ignoring_case(std::u16string_view units, std::u16string_view lower_ascii) {
  if (units.size() != lower_ascii.size()) return false;
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (fold(units[i]) != lower_ascii[i]) return false;
  }
  return true;
}

bool is_blank_or_control(char16_t unit) { return unit <= 0x20 || unit == 0x7F; }

// Reads a port of 1 to 65535 written in ASCII digits.
bool parse_port(std::u16string_view digits, int* port) {
  if (digits.empty() || digits.size() > 5) return false;
  int value = 0;
  for (const char16_t unit : digits) {
    if (unit < u'0' || unit > u'9') return false;
    value = value * 10 + (unit - u'0');
  }
  if (value < 1 || value > 65535) return false;
  *port = value;
  return true;
}

}  // namespace

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool crack_url_units(std::u16string_view url, UrlComponents* components) {
  const std::size_t scheme_end = url.find(u"://");
  if (scheme_end == std::u16string_view::npos) return false;
  UrlComponents parts;
  const std::u16string_view scheme = url.substr(0, scheme_end);
  if (units_equal_ignoring_case(scheme, u"http")) {
    parts.scheme = kSchemeHttp;
    parts.port = 80;
  } else if (units_equal_ignoring_case(scheme, u"https")) {
    parts.scheme = kSchemeHttps;
    parts.port = 443;
  } else {
    return false;
  }

  const std::size_t authority_start = scheme_end + 3;
  std::size_t authority_end = url.find_first_of(u"/?#", authority_start);
  if (authority_end == std::u16string_view::npos) authority_end = url.size();
  std::size_t host_start = authority_start;
  const std::size_t at = url.rfind(u'@', authority_end - 1);
  if (at != std::u16string_view::npos && at >= authority_start) host_start = at + 1;

  // The host ends at the port's colon, except inside an IPv6 literal.
  std::size_t host_end = authority_end;
  if (host_start < authority_end && url[host_start] == u'[') {
    const std::size_t bracket = url.find(u']', host_start);
    if (bracket == std::u16string_view::npos || bracket >= authority_end) return false;
    host_end = bracket + 1;
    if (host_end < authority_end && url[host_end] != u':') return false;
  } else {
    const std::size_t colon = url.find(u':', host_start);
    if (colon != std::u16string_view::npos && colon < authority_end) host_end = colon;
  }
  if (host_end == host_start) return false;
  for (std::size_t i = host_start; i < host_end; ++i) {
    if (is_blank_or_control(url[i])) return false;
  }
  if (host_end < authority_end) {
    const std::u16string_view digits = url.substr(host_end + 1, authority_end - host_end - 1);
    if (!digits.empty() && !parse_port(digits, &parts.port)) return false;
  }

  std::size_t path_end = url.find_first_of(u"?#", authority_end);
  if (path_end == std::u16string_view::npos) path_end = url.size();
  parts.host = {static_cast<int>(host_start), static_cast<int>(host_end - host_start)};
  parts.path = {static_cast<int>(authority_end), static_cast<int>(path_end - authority_end)};
  parts.extra = {static_cast<int>(path_end), static_cast<int>(url.size() - path_end)};
  *components = parts;
  return true;
}

ProxyChoice parse_proxy_list(std::string_view list) {
  ProxyChoice chosen;
  std::string for_all;
  std::size_t pos = 0;
  while (pos < list.size()) {
    const std::size_t end = std::min(list.find_first_of("; \t\r\n", pos), list.size());
    std::string_view entry = list.substr(pos, end - pos);
    pos = end + 1;
    if (entry.empty()) continue;
    std::string* slot = &for_all;
    const std::size_t equals = entry.find('=');
    if (equals != std::string_view::npos) {
      const std::string_view scheme = entry.substr(0, equals);
      if (equals_ignoring_ascii_case(scheme, "http")) {
        slot = &chosen.for_http;
      } else if (equals_ignoring_ascii_case(scheme, "https")) {
        slot = &chosen.for_https;
      } else {
        continue;  // a proxy for a scheme this service does not speak
      }
      entry.remove_prefix(equals + 1);
    }
    if (entry.substr(0, 7) == "http://") entry.remove_prefix(7);
    if (!entry.empty() && slot->empty()) *slot = std::string(entry);
  }
  if (chosen.for_http.empty()) chosen.for_http = for_all;
  if (chosen.for_https.empty()) chosen.for_https = for_all;
  return chosen;
}

std::string request_target(std::u16string_view object_name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string utf8 = utf8_from_units(object_name);
  std::string target;
  target.reserve(utf8.size());
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F) {
      target.push_back('%');
      target.push_back(kHex[byte >> 4]);
      target.push_back(kHex[byte & 0x0F]);
    } else {
      target.push_back(c);
    }
  }
  return target;
}

}  // namespace velkoran
