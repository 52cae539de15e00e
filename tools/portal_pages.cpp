// The simulated portal's Chinese texts live here, written in UTF-8 and sent as
// GBK unless a page is asked for in UTF-8.
#include "tools/portal_pages.h"

#include "core/codepage.h"

namespace velkoran {

namespace {

std::string encoded(const std::string& utf8, PageCharset charset) {
  return charset == PageCharset::utf8 ? utf8 : gbk_from_utf8(utf8).str();
}

std::string page_head(PageCharset charset) {
  const char* name = charset == PageCharset::utf8 ? "utf-8" : "gb2312";
  return std::string(
             "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
             "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
             "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n"
             "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") +
         name + "\" />\r\n<title>江苏电信宽带提速体验</title>\r\n</head>\r\n";
}

}  // namespace

std::string portal_start_page(const std::string& account, const std::string& area_code,
                              const std::string& bandwidth, PageCharset charset) {
  const std::string page =
      page_head(charset) +
      "<body>\r\n<form name=\"form1\" method=\"post\" action=\"./\" id=\"form1\">\r\n"
      "<input type=\"hidden\" name=\"HfUserAccount\" id=\"HfUserAccount\" value=\"" +
      account +
      "\" />\r\n"
      "<input type=\"hidden\" name=\"HfAreaCode\" id=\"HfAreaCode\" VALUE=\"" +
      area_code +
      "\" />\r\n"
      "<div class=\"user\"><label id=\"lblUserInfo\">尊敬的用户(" +
      account + ")，您好！<br />您的签约带宽为：<br />" + bandwidth +
      "</label></div>\r\n"
      "<div class=\"action\"><a href=\"#\" id=\"btnSpeed\">立即提速</a></div>\r\n"
      "</form>\r\n</body>\r\n</html>\r\n";
  return encoded(page, charset);
}

std::string foreign_line_page() {
  return encoded(page_head(PageCharset::gbk) +
                     "<body>\r\n<div class=\"notice\">对不起，您的宽带不是江苏电信宽带，"
                     "暂时无法参加提速体验。</div>\r\n</body>\r\n</html>\r\n",
                 PageCharset::gbk);
}

std::string probe_running_until(const std::string& end_time) {
  return gbk_from_utf8("您正在提速体验中，结束时间：").str() + end_time;
}

std::string probe_refusal() { return gbk_from_utf8("抱歉，您的宽带暂不具备提速条件。").str(); }

std::string begin_answer() { return gbk_from_utf8("提速请求已受理").str(); }

}  // namespace velkoran
