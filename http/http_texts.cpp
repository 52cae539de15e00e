#include "http/http_texts.h"

#include "core/codepage.h"

namespace velkoran {

Text failure_text(HttpFailure failure) {
  switch (failure) {
    case HttpFailure::kPlatform:
      return gbk_from_utf8("700 当前系统不支持WinHttp服务!");
    case HttpFailure::kCrackUrl:
      return gbk_from_utf8("701 解析URL地址失败!");
    case HttpFailure::kOpenSession:
      return gbk_from_utf8("702 创建WinHttp会话失败!");
    case HttpFailure::kConnect:
      return gbk_from_utf8("703 创建WinHttp连接失败!");
    case HttpFailure::kOpenRequest:
      return gbk_from_utf8("704 创建WinHttp请求失败!");
    case HttpFailure::kTimeouts:
      return gbk_from_utf8("705 设置超时时间失败!");
    case HttpFailure::kCredentials:
      return gbk_from_utf8("707 设置代理凭证失败!");
    case HttpFailure::kCookieSwitch:
      return gbk_from_utf8("708 禁止自动设置Cookies失败!");
    case HttpFailure::kRedirectSwitch:
      return gbk_from_utf8("709 重定向设置失败!");
    case HttpFailure::kAddHeaders:
      return gbk_from_utf8("710 设置协议头失败!");
    case HttpFailure::kSend:
      return gbk_from_utf8("711 发送请求失败!");
    case HttpFailure::kReceive:
      return gbk_from_utf8("712 服务器未响应!");
    case HttpFailure::kReadData:
      return gbk_from_utf8("713 读取数据失败!");
  }
  return {};
}

}  // namespace velkoran
