// CurlService's own ways, beyond what every service offers: the body is handed
// out in chunks of at most kChunkSize bytes. (Linux only.)
#include <gtest/gtest.h>

#include <string>

#include "http/curl_service.h"
#include "http/http_request.h"
#include "tests/http/recording_service.h"
#include "tests/support/raw_server.h"

namespace velkoran {
namespace {

using testing::http_response;
using testing::RawServer;
using testing::RecordingService;
using testing::reply_with;

TEST(CurlServiceTest, BodyComesInChunksAndAFailedReadKeepsTheFirst) {
  const std::string big(2 * CurlService::kChunkSize + 100, 'x');
  RawServer server(reply_with(http_response("200 OK", "", big)));
  CurlService real;
  RecordingService service(real);
  service.fail_on("read_data", 2);
  Text status;
  Bytes bytes;
  const Text result = http_request(Text(server.base_url() + "/"),
                                   {.status = &status, .response_bytes = &bytes}, service);
  EXPECT_EQ(service.call("read_data"), "read_data " + std::to_string(CurlService::kChunkSize));
  EXPECT_EQ(result.str(), big.substr(0, CurlService::kChunkSize));
  EXPECT_EQ(bytes.str(), big.substr(0, CurlService::kChunkSize));
  EXPECT_EQ(status, Text("200 OK"));
}

}  // namespace
}  // namespace velkoran
