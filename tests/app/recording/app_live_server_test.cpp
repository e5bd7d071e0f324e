// One recording of the App published live by the real streamer to the
// nginx-rtmp of the streaming tests' fixture (QUORVEL_RTMP_SERVER_DIR;
// skipped without it): the server must see the publish of the stream name.
// What the stream carries is the streaming tests' business.
#include <string>

#include "tests/app/recording/app_recording_fixture.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

constexpr char kStreamName[] = "quorvel_app_live";

// Real sockets: the streamer's waits get a longer bound.
constexpr int kServerBoundMs = 20000;

using AppLiveServerTest = AppRecordingTest;

TEST_F(AppLiveServerTest, ALiveOnlyRecordingPublishesItsStreamNameToTheServer) {
  std::string dir;
  const auto ports = quorvel::test::fixture_ports(L"QUORVEL_RTMP_SERVER_DIR", &dir);
  if (ports.empty()) GTEST_SKIP() << "no RTMP server fixture (QUORVEL_RTMP_SERVER_DIR)";

  h264_shaped_encoders_ = true;
  // The product's streamer on real sockets.
  platform_changes_ = [](AppPlatform& platform) { platform.make_streamer = {}; };
  App& app = start_app();
  StreamSettings target;
  const std::string url = "rtmp://localhost:" + ports.at("rtmp") + "/live";
  target.server_url.assign(url.begin(), url.end());
  target.stream_key.assign(std::begin(kStreamName), std::end(kStreamName) - 1);
  ASSERT_TRUE(app.save_stream_settings(target));
  change_setup([](RecordingSetupState& s) { s.output_mode = OutputMode::kLiveOnly; });

  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  ASSERT_TRUE(wait_for_stream([](const LiveStreamStatus& s) { return s.connections == 1; },
                              kServerBoundMs))
      << AppTestAccess::streamer_state(app);
  for (int i = 0; i < 30; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  ASSERT_TRUE(wait_for_stream([](const LiveStreamStatus& s) {
    return s.video_packets_sent > 0 && s.pending_bytes == 0;
  }, kServerBoundMs)) << AppTestAccess::streamer_state(app);
  app.stop_recording(true);

  EXPECT_TRUE(messages_.empty()) << testing::PrintToString(message_keys());
  const LiveStreamStatus status = AppTestAccess::streamer_status(app);
  EXPECT_EQ(status.error, 0);
  const std::string log = read_bytes(quorvel::test::host_path(dir + "/error.log"));
  EXPECT_NE(log.find(std::string("publish: name='") + kStreamName + "'"), std::string::npos)
      << "nginx did not log the publish of " << kStreamName;
}

}  // namespace
}  // namespace quorvel::windows
