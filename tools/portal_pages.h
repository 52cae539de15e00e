// The pages and answers the simulated portal serves.
#pragma once

#include <string>

namespace velkoran {

enum class PageCharset { gbk, utf8 };

// A portal start page with the two hidden fields and the greeting label
// ("尊敬的用户(...您的签约带宽为：<br />100M</label>"), encoded in `charset` and
// declaring it in a meta element.
[[nodiscard]] std::string portal_start_page(const std::string& account,
                                            const std::string& area_code,
                                            const std::string& bandwidth,
                                            PageCharset charset = PageCharset::gbk);

// The account and area code the ready page names.
inline constexpr const char* sim_user_account = "02587654321";
inline constexpr const char* sim_area_code = "025";
inline constexpr const char* sim_bandwidth = "100M";

// A start page for a line outside the province: no hidden fields (GBK).
[[nodiscard]] std::string foreign_line_page();
// A probe answer for a line already sped up until `end_time` ("18?30") (GBK).
[[nodiscard]] std::string probe_running_until(const std::string& end_time);
// A probe answer refusing the speed-up: neither digits nor "OK" (GBK).
[[nodiscard]] std::string probe_refusal();
// The begin request's answer (GBK).
[[nodiscard]] std::string begin_answer();

}  // namespace velkoran
