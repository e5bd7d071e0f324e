#include "app/common/text_catalog.h"

#include <iterator>
#include <string>

namespace quorvel::windows {
namespace {

using win32_ui::modern::ResourceBundle;
using win32_ui::modern::ResourceEntry;

struct CatalogText {
  std::wstring_view key;
  std::wstring_view english;
  std::wstring_view chinese;
};

// Keys are lower-case ASCII: a prefix naming the screen or area, a dot, and
// the name. The order of this table is the order of the catalogue.
constexpr CatalogText kCatalogTexts[] = {
    // Window titles and window-level prompts.
    {L"window.main", L"Quorvel — New recording", L"Quorvel — 新建录制"},
    {L"window.settings", L"Quorvel — Settings", L"Quorvel — 设置"},
    {L"window.watermark", L"Quorvel — Watermark settings", L"Quorvel — 水印设置"},
    {L"window.editor", L"Quorvel — Screenshot editor", L"Quorvel — 截图编辑器"},
    {L"window.about", L"About Quorvel", L"关于 Quorvel"},
    {L"window.hotkey_conflict", L"Quorvel — Hotkey conflict", L"Quorvel — 快捷键冲突"},
    {L"window.help", L"Quorvel Help", L"Quorvel 帮助"},
    {L"window.close", L"Close Quorvel", L"关闭 Quorvel"},
    {L"window.startup_failed", L"Quorvel failed to start", L"Quorvel 启动失败"},

    // The main recording window: sections, options, size presets, devices, buttons.
    {L"main.new_recording", L"New recording", L"新建录制"},
    {L"main.subtitle_compact",
     L"Choose your picture and outputs, then start",
     L"选择画面和输出方式，然后开始"},
    {L"main.close", L"Close", L"关闭"},
    {L"main.picture", L"Picture", L"画面"},
    {L"main.sound_cursor", L"Audio and cursor", L"音频和光标"},
    {L"main.output", L"Output", L"输出"},
    {L"main.picture_settings", L"Picture · More settings", L"画面 · 更多设置"},
    {L"main.sound_settings", L"Audio and cursor · More settings", L"音频和光标 · 更多设置"},
    {L"main.recording_settings", L"Recording output · Settings", L"录制输出 · 设置"},
    {L"main.selected_region", L"Selected region", L"已选区域"},
    {L"main.reselect_region", L"Reselect region", L"重新选择区域"},
    {L"main.lens", L"Camera", L"镜头"},
    {L"main.fixed_picture", L"Fixed picture", L"固定画面"},
    {L"main.follow_picture", L"Follow mouse", L"跟随鼠标"},
    {L"main.system_audio_short", L"System audio", L"系统声音"},
    {L"main.microphone_short", L"Microphone", L"麦克风"},
    {L"main.cursor_short", L"Mouse cursor", L"鼠标光标"},
    {L"main.configure", L"Settings", L"设置"},
    {L"main.save_video", L"Save video", L"保存视频"},
    {L"main.live_stream", L"Livestream", L"直播"},
    {L"main.video_folder", L"Videos folder", L"视频文件夹"},
    {L"main.stream_ready", L"Streaming target configured", L"已配置直播目标"},
    {L"main.stream_unset", L"No streaming target", L"未配置直播目标"},
    {L"main.off_prefix", L"Off · ", L"关闭 · "},
    {L"main.screenshot", L"Screenshot", L"截图"},
    {L"main.theme", L"Theme", L"主题"},
    {L"main.settings", L"Settings", L"设置"},
    {L"main.change_screen", L"Change screen", L"切换屏幕"},
    {L"main.recording_specs", L"Picture settings", L"画面设置"},
    {L"main.size", L"Size", L"尺寸"},
    {L"main.frame_rate", L"FPS", L"帧率"},
    {L"main.quality", L"Quality", L"画质"},
    {L"main.quality_compact", L"Smaller file", L"较小文件"},
    {L"main.quality_balanced", L"Balanced", L"均衡"},
    {L"main.quality_high", L"High quality", L"高画质"},
    {L"main.quality_custom", L"Custom", L"自定义"},
    {L"main.tip_quality",
     L"Higher bitrate usually preserves more detail and uses more disk space. Presets "
     L"scale with resolution and FPS. Actual size depends on the picture and encoder; "
     L"these are not fixed-quality modes.",
     L"码率越高，通常保留的细节越多，占用的磁盘空间也越多。预设会随分辨率和帧率缩放。"
     L"实际大小取决于画面内容和编码器；这些并非固定画质模式。"},
    {L"main.tip_bitrate",
     L"Video bitrate in kbps (1000 kbps = 1 Mbps). Press Enter to save, or start recording "
     L"to apply. Size estimate: bitrate × seconds ÷ 8, plus audio and container overhead.",
     L"视频码率，单位为 kbps（1000 kbps = 1 Mbps）。按 Enter 保存，或开始录制时应用。"
     L"大小估算：码率 × 秒数 ÷ 8，另加音频和容器开销。"},
    {L"main.tip_frame_rate", L"Frame rate (frames per second)", L"帧率（每秒帧数）"},
    {L"main.camera", L"Mouse and camera", L"鼠标和镜头"},
    {L"main.follow_mouse", L"Follow the mouse while recording", L"录制时跟随鼠标"},
    {L"main.follow_strength", L"Follow strength  {0}%", L"跟随强度  {0}%"},
    {L"main.audio_cursor", L"Audio", L"音频"},
    {L"main.record_cursor", L"Mouse cursor", L"鼠标光标"},
    {L"main.record_system_audio", L"System audio", L"系统声音"},
    {L"main.tip_record_system_audio",
     L"Record audio playing on this computer",
     L"录制这台电脑上播放的声音"},
    {L"main.record_microphone", L"Microphone", L"麦克风"},
    {L"main.tip_record_microphone",
     L"Record audio from the selected microphone",
     L"录制所选麦克风的声音"},
    {L"main.mute_microphone", L"Mute mic", L"麦克风静音"},
    {L"main.tip_mute_microphone", L"Mute the microphone while recording", L"录制时将麦克风静音"},
    {L"main.separate_system", L"System track", L"系统音轨"},
    {L"main.tip_separate_system",
     L"Save system audio as a separate track",
     L"将系统声音保存为单独的音轨"},
    {L"main.system_m4a", L"System .m4a", L"系统 .m4a"},
    {L"main.tip_system_m4a",
     L"Save system audio as a separate .m4a file",
     L"将系统声音另存为单独的 .m4a 文件"},
    {L"main.separate_microphone", L"Mic track", L"麦克风音轨"},
    {L"main.tip_separate_microphone",
     L"Save microphone audio as a separate track",
     L"将麦克风声音保存为单独的音轨"},
    {L"main.microphone_m4a", L"Mic .m4a", L"麦克风 .m4a"},
    {L"main.tip_microphone_m4a",
     L"Save microphone audio as a separate .m4a file",
     L"将麦克风声音另存为单独的 .m4a 文件"},
    {L"main.system_gain", L"System gain  {0}%", L"系统增益  {0}%"},
    {L"main.microphone_gain", L"Microphone gain  {0}%", L"麦克风增益  {0}%"},
    {L"main.open_directory", L"Open folder", L"打开文件夹"},
    {L"main.start_recording", L"Start recording", L"开始录制"},
    {L"main.start", L"Start", L"开始"},
    {L"main.record_output", L"Recording output", L"录制输出"},
    {L"main.save_directory", L"Save folder", L"保存文件夹"},
    {L"main.choose_directory", L"Choose folder", L"选择文件夹"},
    {L"main.stream_output", L"Streaming output", L"直播输出"},
    {L"main.enable_recording", L"Enable recording", L"启用录制"},
    {L"main.current_monitor", L"Current monitor", L"当前显示器"},
    {L"main.monitor_number", L"Monitor {0}", L"显示器 {0}"},
    {L"main.preset_landscape_1080", L"Landscape 1080p — 1920 × 1080", L"横屏 1080p — 1920 × 1080"},
    {L"main.preset_portrait_1080", L"Portrait 1080p — 1080 × 1920", L"竖屏 1080p — 1080 × 1920"},
    {L"main.preset_square_1080", L"Square 1080 — 1080 × 1080", L"方形 1080 — 1080 × 1080"},
    {L"main.preset_landscape_1440", L"Landscape 1440p — 2560 × 1440", L"横屏 1440p — 2560 × 1440"},
    {L"main.preset_landscape_4k", L"Landscape 4K — 3840 × 2160", L"横屏 4K — 3840 × 2160"},
    {L"main.preset_current_max",
     L"Current screen maximum {0}:{1} — {2} × {3}",
     L"当前屏幕最大 {0}:{1} — {2} × {3}"},
    {L"main.preset_custom", L"Custom", L"自定义"},
    {L"main.default_microphone", L"Default microphone (system)", L"默认麦克风（系统）"},
    {L"main.current_default", L" (current default)", L"（当前默认）"},
    {L"main.awaiting_reconnect", L" (waiting to reconnect)", L"（等待重新连接）"},

    // Message boxes and status messages.
    {L"message.invalid_bitrate",
     L"Enter a whole video bitrate from 1 to 4294967 kbps and press Enter. This encoder "
     L"interface cannot represent the requested bitrate. Unsupported hardware settings "
     L"will fail instead of silently lowering quality.",
     L"请输入 1 到 4294967 kbps 之间的整数视频码率，然后按 Enter。"
     L"此编码器接口无法表示所请求的码率。不受支持的硬件设置将直接失败，而不会悄悄降低画质。"},
    {L"message.quality_save_failed",
     L"The quality setting applies to this session, but could not be saved for next time.",
     L"画质设置已应用于本次会话，但无法保存供下次使用。"},
    {L"message.theme_save_failed",
     L"The theme changed, but your preference could not be saved.",
     L"主题已更改，但无法保存您的偏好设置。"},
    {L"message.startup_change_failed",
     L"Could not change the startup setting for this user.",
     L"无法更改此用户的开机启动设置。"},
    {L"message.watermark_change_failed",
     L"Could not save the video watermark setting.",
     L"无法保存视频水印设置。"},
    {L"message.watermark_text_required",
     L"Enter watermark text before enabling text watermarking.",
     L"启用文字水印前，请先输入水印文字。"},
    {L"message.watermark_image_invalid",
     L"Choose a valid image file before enabling image watermarking.",
     L"启用图片水印前，请先选择有效的图片文件。"},
    {L"message.watermark_text_too_long",
     L"The watermark text can be at most 320 characters.",
     L"水印文字最多 320 个字符。"},
    {L"message.hotkey_conflict_intro",
     L"The following global hotkeys are used by Windows or another application:\n"
     L"\n",
     L"以下全局快捷键已被 Windows 或其他应用程序占用：\n"
     L"\n"},
    {L"message.hotkey_conflict_intro_short",
     L"The following hotkeys are used by Windows or another application:\n"
     L"\n",
     L"以下快捷键已被 Windows 或其他应用程序占用：\n"
     L"\n"},
    {L"message.hotkey_conflict_line", L"• {0}: {1}\n", L"• {0}：{1}\n"},
    {L"message.hotkey_conflict_startup",
     L"\n"
     L"These hotkeys will not register while occupied. Menus, the tray, and the control "
     L"window still work.\n"
     L"\n"
     L"Choose Yes to change hotkeys now, or No to keep the current settings and continue.",
     L"\n"
     L"这些快捷键被占用期间将无法注册。菜单、托盘和控制窗口仍可正常使用。\n"
     L"\n"
     L"选择“是”立即更改快捷键，选择“否”保留当前设置并继续。"},
    {L"message.hotkey_conflict_save",
     L"\n"
     L"If you save anyway, occupied hotkeys will not register. Other hotkeys and "
     L"control-window buttons still work.\n"
     L"\n"
     L"Choose Yes to save anyway, or No to go back and edit.",
     L"\n"
     L"如果仍然保存，被占用的快捷键将无法注册。其他快捷键和控制窗口按钮仍可正常使用。\n"
     L"\n"
     L"选择“是”仍然保存，选择“否”返回编辑。"},
    {L"message.hotkey_conflict_record",
     L"\n"
     L"These hotkeys will not register this time; the others still work.\n"
     L"\n"
     L"Choose Yes to change hotkeys and postpone recording, or No to continue recording.",
     L"\n"
     L"这些快捷键本次将无法注册；其他快捷键仍可正常使用。\n"
     L"\n"
     L"选择“是”更改快捷键并推迟录制，选择“否”继续录制。"},
    {L"message.hotkey_duplicate",
     L"“{0}” and “{1}” use the same shortcut.",
     L"“{0}”和“{1}”使用了相同的快捷键。"},
    {L"message.size_outside_screen",
     L"The recording size must fit entirely on the target screen. The maximum here is {0} "
     L"× {1}.",
     L"录制尺寸必须完全位于目标屏幕内。此处最大为 {0} × {1}。"},
    {L"message.screenshot_while_recording",
     L"Stop recording before choosing a screenshot region.",
     L"请先停止录制，再选择截图区域。"},
    {L"message.snapshot_failed",
     L"Could not capture the target screen for region selection.\n"
     L"HRESULT=0x{0}",
     L"无法捕获目标屏幕以选择区域。\n"
     L"HRESULT=0x{0}"},
    {L"message.small_region_retry",
     L"The region must be at least 64 × 64. Select another region.",
     L"区域至少需要 64 × 64。请重新选择区域。"},
    {L"message.edge_even_size",
     L"This region reaches the screen edge and cannot expand to the even dimensions "
     L"required by the encoder. Shrink one edge slightly.",
     L"此区域已到达屏幕边缘，无法扩展为编码器要求的偶数尺寸。请将某一边稍微缩小。"},
    {L"message.editor_create_failed",
     L"Could not create the screenshot editor window.",
     L"无法创建截图编辑器窗口。"},
    {L"message.choose_output_folder", L"Choose a recording output folder", L"选择录制输出文件夹"},
    {L"message.select_region_first",
     L"Click “Select recording region” and confirm the capture area first.",
     L"请先点击“选择录制区域”并确认捕获范围。"},
    {L"message.invalid_output_folder",
     L"Choose a valid output folder.",
     L"请选择有效的输出文件夹。"},
    {L"message.create_output_folder_failed",
     L"Could not create the dated folder for this recording.",
     L"无法为本次录制创建日期文件夹。"},
    {L"message.recorder_init_failed",
     L"Could not initialize the video recorder. Check the output folder.",
     L"无法初始化视频录制器。请检查输出文件夹。"},
    {L"message.media_feature_pack_required",
     L"Recording and live streaming need Windows Media Foundation, which this edition of "
     L"Windows does not include. Install the Media Feature Pack for your edition of Windows, "
     L"then restart the computer.",
     L"录制和直播需要 Windows Media Foundation，而此版本的 Windows 未包含该组件。"
     L"请为您的 Windows 版本安装媒体功能包（Media Feature Pack），然后重新启动电脑。"},
    {L"message.timeline_create_failed",
     L"Could not create the camera timeline file.",
     L"无法创建镜头时间线文件。"},
    {L"message.audio_init_failed",
     L"Audio initialization failed; video recording will continue.",
     L"音频初始化失败；视频录制将继续。"},
    {L"message.control_create_failed",
     L"Could not create the recording control bar.",
     L"无法创建录制控制栏。"},
    {L"message.support_page_failed",
     L"The Quorvel support page could not be opened.",
     L"无法打开 Quorvel 支持页面。"},
    {L"message.recording_incomplete",
     L"The recording did not finish completely. Available footage was preserved.\n"
     L"Details: {0}",
     L"录制未能完整结束。已保留可用的素材。\n"
     L"详细信息：{0}"},
    {L"message.capture_unrecoverable",
     L"Desktop capture could not recover. Recording will stop safely; see the log file.",
     L"桌面捕获无法恢复。录制将安全停止；请查看日志文件。"},
    {L"message.disk_low",
     L"Less than 256 MB of free disk space remains. Recording will stop safely.",
     L"剩余磁盘空间不足 256 MB。录制将安全停止。"},
    {L"message.invalid_size",
     L"Recording width and height must be whole numbers from 1 to 16384.",
     L"录制宽度和高度必须是 1 到 16384 之间的整数。"},
    {L"message.help",
     L"Recording: choose recording settings, then click “Select recording region”.\n"
     L"Screenshot: press {0} or choose “Screenshot” from the tray.\n"
     L"\n"
     L"Move the pointer during selection to snap to a window; elsewhere it selects the "
     L"whole screen. Click or press Enter to confirm, or drag to select a region manually.",
     L"录制：选择录制设置，然后点击“选择录制区域”。\n"
     L"截图：按 {0}，或从托盘菜单中选择“截图”。\n"
     L"\n"
     L"选择时移动指针可吸附到窗口；指针在其他位置时选择整个屏幕。点击或按 Enter 确认，"
     L"也可以拖动以手动选择区域。"},
    {L"message.close_prompt",
     L"Minimize Quorvel to the system tray?\n"
     L"\n"
     L"Choose Yes to keep it running in the background, No to exit, or Cancel to stay here.",
     L"将 Quorvel 最小化到系统托盘？\n"
     L"\n"
     L"选择“是”在后台继续运行，选择“否”退出，选择“取消”留在此处。"},
    {L"message.close_dont_ask_again", L"Don't ask again", L"不再询问"},
    {L"message.main_window_failed", L"Could not create the main window.", L"无法创建主窗口。"},

    // The live-stream window, live status and live results.
    {L"stream.dual_encoder_unavailable",
     L"Could not start separate recording and streaming encoders. Try a lower quality or "
     L"frame rate.",
     L"无法分别启动录制和直播编码器。请尝试降低画质或帧率。"},
    {L"stream.no_output",
     L"Enable recording or streaming before starting.",
     L"开始前请启用录制或直播。"},
    {L"stream.start_both", L"Start recording and live", L"开始录制和直播"},
    {L"stream.stop_both", L"Stop both", L"全部停止"},
    {L"stream.file_active_short", L"Recording", L"录制中"},
    {L"stream.file_failed_short", L"Recording failed", L"录制失败"},
    {L"stream.live_active_short", L"Live", L"直播中"},
    {L"stream.live_failed_short", L"Live failed", L"直播失败"},
    {L"stream.live_wait_short", L"Live connecting/preparing", L"直播连接/准备中"},
    {L"stream.dual_status", L"{0} | {1} · {2}", L"{0} | {1} · {2}"},
    {L"stream.file_saved", L"Recording saved: {0}", L"录制已保存：{0}"},
    {L"stream.file_incomplete",
     L"Recording was not fully saved. Check disk space, write permissions and the log in "
     L"the output folder. Existing partial files are not reported as successful recordings.",
     L"录制未能完整保存。请检查磁盘空间、写入权限以及输出文件夹中的日志。"
     L"已有的不完整文件不会被报告为成功的录制。"},
    {L"stream.live_finished",
     L"Live video was sent and streaming stopped. Check the platform for viewer delivery.",
     L"直播视频已发送，直播已停止。请在平台上确认观众能否收看。"},
    {L"stream.live_not_sent",
     L"Streaming stopped before any video was confirmed sent.",
     L"在确认发送任何视频之前，直播已停止。"},
    {L"stream.dual_result",
     L"Recording result\n"
     L"{0}\n"
     L"\n"
     L"Live result\n"
     L"{1}",
     L"录制结果\n"
     L"{0}\n"
     L"\n"
     L"直播结果\n"
     L"{1}"},
    {L"stream.settings", L"Stream settings", L"直播设置"},
    {L"stream.start", L"Start livestream", L"开始直播"},
    {L"stream.stop", L"Stop livestream", L"停止直播"},
    {L"stream.instructions",
     L"Paste your platform's RTMP / RTMPS address and stream key.\n"
     L"For a complete URL, select the option below and leave the key empty.",
     L"粘贴平台提供的 RTMP / RTMPS 地址和推流密钥。\n"
     L"如使用完整 URL，请选中下方选项并将密钥留空。"},
    {L"stream.full_url",
     L"Complete URL (last path component is the stream name)",
     L"完整 URL（最后一段路径为流名称）"},
    {L"stream.address", L"RTMP server address / complete URL", L"RTMP 服务器地址 / 完整 URL"},
    {L"stream.key",
     L"Stream key (including any query parameters supplied by the platform)",
     L"推流密钥（包括平台提供的所有查询参数）"},
    {L"stream.reveal", L"Show address and key", L"显示地址和密钥"},
    {L"stream.privacy",
     L"Saved encrypted for this Windows user. Media goes directly to your server.\n"
     L"RTMPS verifies certificates and encrypts transport; RTMP is unencrypted.",
     L"已为此 Windows 用户加密保存。媒体直接发送到您的服务器。\n"
     L"RTMPS 会验证证书并加密传输；RTMP 不加密。"},
    {L"stream.save", L"Save stream settings", L"保存直播设置"},
    {L"stream.invalid",
     L"Check the RTMP / RTMPS address and key. Split mode requires both; complete-URL mode "
     L"requires an app/stream path and an empty key field. Query parameters are preserved "
     L"in their original field.",
     L"请检查 RTMP / RTMPS 地址和密钥。分离模式需要两者都填写；完整 URL "
     L"模式需要应用/流路径，且密钥栏留空。查询参数会保留在其原来的字段中。"},
    {L"stream.save_failed",
     L"Could not securely save stream settings. Your previous settings were kept.",
     L"无法安全保存直播设置。已保留之前的设置。"},
    {L"stream.connecting", L"Connecting to stream server · {0}", L"正在连接直播服务器 · {0}"},
    {L"stream.publishing",
     L"Publish accepted · waiting for video · {0}",
     L"推流已接受 · 等待视频 · {0}"},
    {L"stream.streaming", L"Streaming · {0}", L"直播中 · {0}"},
    {L"stream.reconnecting", L"Reconnecting · {0}", L"正在重新连接 · {0}"},
    {L"stream.reconnect_short", L"Live reconnecting", L"直播重新连接中"},
    {L"stream.away_action", L"Live away: black screen + silence", L"直播暂离：黑屏 + 静音"},
    {L"stream.resume_action", L"Resume live picture", L"恢复直播画面"},
    {L"stream.mute_action", L"Mute all live audio", L"直播全部静音"},
    {L"stream.unmute_action", L"Unmute live audio", L"取消直播静音"},
    {L"stream.requested_spec",
     L"Encoding set: {0}×{1} / {2} fps / live target {3} kbps",
     L"编码设置：{0}×{1} / {2} fps / 直播目标 {3} kbps"},
    {L"stream.encoded_spec",
     L"Encoder output: {0}×{1} / {2} fps",
     L"编码器输出：{0}×{1} / {2} fps"},
    {L"stream.encoded_mismatch",
     L"Encoder output differs: {0}×{1} / {2} fps; stop and adjust",
     L"编码器输出不一致：{0}×{1} / {2} fps；请停止并调整"},
    {L"stream.encoding_pending",
     L"Encoder output: waiting for first frame",
     L"编码器输出：等待第一帧"},
    {L"stream.recording_target", L"Local recording target: {0} kbps", L"本地录制目标：{0} kbps"},
    {L"stream.telemetry",
     L"Actually sending: {0} kbps · Reconnects: {1}/5",
     L"实际发送：{0} kbps · 重连次数：{1}/5"},
    {L"stream.away_status",
     L"LIVE AWAY: black picture + silence. Local recording continues unchanged.",
     L"直播暂离：黑色画面 + 静音。本地录制照常进行，不受影响。"},
    {L"stream.resume_status",
     L"Resuming at the next keyframe; live stays black and silent until then.",
     L"将在下一个关键帧恢复；在此之前直播保持黑屏和静音。"},
    {L"stream.muted_status",
     L"LIVE AUDIO MUTED. Local recording is unchanged.",
     L"直播音频已静音。本地录制不受影响。"},
    {L"stream.normal_status",
     L"Live picture and sound enabled. Viewer delay depends on the platform.",
     L"直播画面和声音已启用。观众端的延迟取决于平台。"},
    {L"stream.stopping", L"Stopping livestream…", L"正在停止直播…"},
    {L"stream.error.network",
     L"Could not connect, or the server disconnected. Check your address and network.",
     L"无法连接，或服务器已断开连接。请检查地址和网络。"},
    {L"stream.error.timeout",
     L"The stream server did not respond in time. Check your network and server.",
     L"直播服务器未及时响应。请检查网络和服务器。"},
    {L"stream.error.protocol",
     L"The server returned an unsupported or invalid RTMP response.",
     L"服务器返回了不受支持或无效的 RTMP 响应。"},
    {L"stream.error.rejected",
     L"The server rejected publishing. Check your stream key and platform's live "
     L"permissions.",
     L"服务器拒绝了推流。请检查推流密钥和平台的直播权限。"},
    {L"stream.error.not_accepted",
     L"The connection closed before the server accepted publishing. Check the address, "
     L"stream key, live permissions and network. No live video was confirmed sent.",
     L"服务器接受推流之前连接已关闭。请检查地址、推流密钥、直播权限和网络。"
     L"未确认发送任何直播视频。"},
    {L"stream.error.congestion",
     L"The connection could not keep up. Old queued media was discarded. Check your "
     L"network or choose a lower bitrate next time; quality was not reduced.",
     L"连接速度跟不上。已丢弃排队的旧媒体数据。请检查网络，或下次选择更低的码率；"
     L"画质并未降低。"},
    {L"stream.error.encoding",
     L"The video or audio could not be prepared for streaming. Try different output "
     L"settings.",
     L"无法为直播准备视频或音频。请尝试其他输出设置。"},
    {L"stream.error.certificate",
     L"The stream server's certificate could not be verified (trust, name, expiry or "
     L"revocation status). Check the address, Windows clock and network. No stream key or "
     L"media was sent; encryption was not disabled.",
     L"无法验证直播服务器的证书（信任、名称、有效期或吊销状态）。请检查地址、Windows "
     L"时钟和网络。未发送任何推流密钥或媒体；加密未被关闭。"},
    {L"stream.error.tls",
     L"The encrypted connection failed or the server uses unsupported TLS settings. Check "
     L"the platform's RTMPS address and network. Quorvel did not switch to unencrypted "
     L"RTMP.",
     L"加密连接失败，或服务器使用了不受支持的 TLS 设置。请检查平台的 RTMPS 地址和网络。"
     L"Quorvel 未切换到未加密的 RTMP。"},
    {L"stream.help", L"Platform setup guide", L"平台设置指南"},
    {L"stream.platform_help",
     L"YouTube: copy the RTMPS server URL and stream key from Live Control Room into the "
     L"two fields.\n"
     L"\n"
     L"WeChat Channels: use your account's live assistant to obtain the current server URL "
     L"and key. Availability depends on certification and live permissions.\n"
     L"\n"
     L"Douyin: use an official, authorized encoder endpoint if your account has one. "
     L"Douyin currently says new OBS-mode applications are unavailable; Quorvel cannot "
     L"grant platform permissions or extract keys from other apps.\n"
     L"\n"
     L"For a complete URL, enable Complete URL and leave the key empty. Keep query "
     L"parameters exactly as provided. Do not use a viewing/playback URL.\n"
     L"\n"
     L"Select your resolution, frame rate and bitrate in the main window. Start "
     L"livestream, then check the platform preview and complete its Go live action if "
     L"required. A Quorvel streaming status does not prove viewers can see it.\n"
     L"\n"
     L"Information checked on 2026-09-23. Account-specific platform instructions take "
     L"precedence.",
     L"YouTube：从直播控制室复制 RTMPS 服务器 URL 和推流密钥，分别填入两个输入框。\n"
     L"\n"
     L"微信视频号：使用您账号的直播助手获取当前的服务器 URL 和密钥。"
     L"能否使用取决于认证情况和直播权限。\n"
     L"\n"
     L"抖音：如果您的账号拥有官方授权的编码器推流地址，请使用该地址。"
     L"抖音目前表示暂不开放新的 OBS 模式申请；Quorvel 无法授予平台权限，"
     L"也无法从其他应用提取密钥。\n"
     L"\n"
     L"如使用完整 URL，请启用“完整 URL”并将密钥留空。请严格按原样保留查询参数。"
     L"不要使用观看/播放 URL。\n"
     L"\n"
     L"请在主窗口中选择分辨率、帧率和码率。开始直播后，请检查平台预览，"
     L"如有需要再完成平台的“开始直播”操作。Quorvel 显示正在直播并不代表观众一定能看到。\n"
     L"\n"
     L"信息核对日期：2026-09-23。请以账号专属的平台说明为准。"},

    // The preferences window.
    {L"settings.subtitle",
     L"Hotkeys, language, startup, and recording",
     L"快捷键、语言、开机启动和录制"},
    {L"settings.language", L"Language", L"语言"},
    {L"settings.language_english", L"English", L"English"},
    {L"settings.language_chinese", L"简体中文", L"简体中文"},
    {L"settings.startup", L"Start with Windows", L"开机时启动"},
    {L"settings.startup_hint",
     L"Start silently in the tray after signing in to Windows",
     L"登录 Windows 后在托盘中静默启动"},
    {L"settings.watermark", L"Video watermark", L"视频水印"},
    {L"settings.watermark_configure", L"Configure", L"配置"},
    {L"settings.watermark_on", L"On for new recordings", L"对新录制开启"},
    {L"settings.watermark_off", L"Off for new recordings", L"对新录制关闭"},
    {L"settings.hotkeys", L"Hotkeys", L"快捷键"},
    {L"settings.hotkeys_hint",
     L"Click a shortcut and press a new combination; Esc cancels. Screenshot works at all "
     L"times; the others work while recording.",
     L"点击一个快捷键，然后按下新的组合键；按 Esc 取消。截图快捷键随时可用；"
     L"其他快捷键在录制时可用。"},
    {L"settings.press_hotkey", L"Press a new shortcut…", L"请按下新的快捷键…"},

    // The watermark window.
    {L"watermark.subtitle", L"Choose a multiline text or image mark", L"选择多行文字或图片水印"},
    {L"watermark.enable", L"Add a watermark to videos", L"为视频添加水印"},
    {L"watermark.enable_hint",
     L"Applied only to recordings started after saving",
     L"仅应用于保存之后开始的录制"},
    {L"watermark.mode", L"Watermark type", L"水印类型"},
    {L"watermark.text_mode", L"Multiline text", L"多行文字"},
    {L"watermark.image_mode", L"Image", L"图片"},
    {L"watermark.text_label",
     L"Watermark text (use Enter for a new line)",
     L"水印文字（按 Enter 换行）"},
    {L"watermark.image_label",
     L"Watermark image (PNG preserves transparency)",
     L"水印图片（PNG 可保留透明度）"},
    {L"watermark.image_pick_prompt", L"Click to choose an image", L"点击选择图片"},
    {L"watermark.image_pick_alternate", L"Or press Enter to choose", L"或按 Enter 选择"},
    {L"watermark.image_pick_hint",
     L"PNG transparency is supported · click again to replace",
     L"支持 PNG 透明 · 再次点击可替换"},
    {L"watermark.browse_title", L"Choose a watermark image", L"选择水印图片"},
    {L"watermark.save", L"Save watermark settings", L"保存水印设置"},

    // The main window's menus.
    {L"menu.follow_system", L"Follow system", L"跟随系统"},
    {L"menu.dark", L"Dark", L"深色"},
    {L"menu.light", L"Light", L"浅色"},
    {L"menu.help", L"Help", L"帮助"},
    {L"menu.support", L"Support", L"支持"},
    {L"menu.about", L"About Quorvel", L"关于 Quorvel"},
    {L"menu.account", L"Account", L"账户"},

    // The tray menu.
    {L"tray.tooltip", L"Quorvel — screen capture and recording", L"Quorvel — 截屏与录屏"},
    {L"tray.show", L"Show Quorvel", L"显示 Quorvel"},
    {L"tray.startup", L"Start with Windows", L"开机时启动"},
    {L"tray.exit", L"Exit", L"退出"},

    // The About window.
    {L"about.version", L"Version {0}", L"版本 {0}"},
    {L"about.description",
     L"A lightweight screenshot and smart-follow screen recorder with HDR tone mapping.\n"
     L"Create clear screen footage that is easy to edit.",
     L"轻量级截图与智能跟随录屏工具，支持 HDR 色调映射。\n"
     L"轻松录制清晰、便于剪辑的屏幕素材。"},
    {L"about.copyright",
     L"Copyright © 2026 Halvarin. All rights reserved.",
     L"版权所有 © 2026 Halvarin。保留所有权利。"},

    // The screenshot editor.
    {L"editor.pencil", L"Pencil", L"画笔"},
    {L"editor.rectangle", L"Rectangle", L"矩形"},
    {L"editor.ellipse", L"Ellipse", L"椭圆"},
    {L"editor.arrow", L"Arrow", L"箭头"},
    {L"editor.text", L"Text", L"文字"},
    {L"editor.thickness", L"Thickness", L"粗细"},
    {L"editor.color", L"Color", L"颜色"},
    {L"editor.undo", L"Undo", L"撤销"},
    {L"editor.copy", L"Copy", L"复制"},
    {L"editor.save", L"Save…", L"保存…"},
    {L"editor.save_plain", L"Save", L"保存"},
    {L"editor.done", L"Done", L"完成"},
    {L"editor.color_tip", L"Choose annotation color", L"选择标注颜色"},
    {L"editor.png_image", L"PNG image", L"PNG 图片"},
    {L"editor.save_title", L"Save Quorvel screenshot", L"保存 Quorvel 截图"},
    {L"editor.copy_failed",
     L"Could not copy the screenshot to the clipboard.",
     L"无法将截图复制到剪贴板。"},
    {L"editor.copied", L"Screenshot copied to clipboard.", L"截图已复制到剪贴板。"},
    {L"editor.capture_failed",
     L"Could not capture the current screen. Please try again.",
     L"无法捕获当前屏幕。请重试。"},
    {L"editor.selection_hint",
     L"Click or drag to select and edit · Double-click or Enter to copy and finish · Esc "
     L"to cancel",
     L"点击或拖动以选择并编辑 · 双击或按 Enter 复制并完成 · 按 Esc 取消"},
    {L"editor.selection_drag_size",
     L"Selection {0} × {1} · Release to edit · Esc to cancel",
     L"选区 {0} × {1} · 松开以编辑 · 按 Esc 取消"},
    {L"editor.save_failed", L"Could not save the PNG file.", L"无法保存 PNG 文件。"},

    // The floating recording control bar.
    {L"control.not_recorded", L"This control window will not be recorded", L"此控制窗口不会被录制"},
    {L"control.move_outside",
     L"Move the control window outside the recording region",
     L"请将控制窗口移到录制区域之外"},
    {L"control.conflict", L" (conflict)", L"（冲突）"},
    {L"control.top_left", L"Top left", L"左上"},
    {L"control.top_right", L"Top right", L"右上"},
    {L"control.bottom_right", L"Bottom right", L"右下"},
    {L"control.bottom_left", L"Bottom left", L"左下"},
    {L"control.dock_top", L"Dock top center", L"停靠顶部居中"},
    {L"control.dock_bottom", L"Dock bottom center", L"停靠底部居中"},
    {L"control.zoom_in", L"Zoom in", L"放大"},
    {L"control.zoom_out", L"Zoom out", L"缩小"},
    {L"control.hide", L"Hide control bar", L"隐藏控制栏"},
    {L"control.pause", L"Pause recording", L"暂停录制"},
    {L"control.stop", L"Stop recording", L"停止录制"},
    {L"control.resume", L"Resume recording", L"继续录制"},
    {L"control.recording", L"Quorvel — Recording {0}", L"Quorvel — 正在录制 {0}"},
    {L"control.paused", L"Quorvel — Paused {0}", L"Quorvel — 已暂停 {0}"},
    {L"control.saving", L"Quorvel — Saving recording…", L"Quorvel — 正在保存录制…"},

    // Names of the hotkey actions.
    {L"hotkey.move_top_left", L"Control: top left", L"控制窗口：左上"},
    {L"hotkey.move_top_right", L"Control: top right", L"控制窗口：右上"},
    {L"hotkey.move_bottom_right", L"Control: bottom right", L"控制窗口：右下"},
    {L"hotkey.move_bottom_left", L"Control: bottom left", L"控制窗口：左下"},
    {L"hotkey.zoom_in", L"Zoom in", L"放大"},
    {L"hotkey.zoom_out", L"Zoom out", L"缩小"},
    {L"hotkey.toggle_control", L"Hide/show control window", L"隐藏/显示控制窗口"},
    {L"hotkey.toggle_pause", L"Pause/resume recording", L"暂停/继续录制"},
    {L"hotkey.stop", L"Stop recording", L"停止录制"},
    {L"hotkey.screenshot", L"Screenshot", L"截图"},
    {L"hotkey.quick_record", L"Select region and record", L"选择区域并录制"},

    // Hints of the region-selection overlay.
    {L"overlay.coordinates", L"Coordinates", L"坐标"},
    {L"overlay.move_hint",
     L"Move to snap to a window; click or press Enter to confirm; drag to select freely",
     L"移动以吸附到窗口；点击或按 Enter 确认；拖动可自由选择"},
    {L"overlay.small_drag",
     L"The region must be at least 64 × 64; keep dragging",
     L"区域至少需要 64 × 64；请继续拖动"},
    {L"overlay.free_region",
     L"Free region {0} × {1}; release to confirm",
     L"自由区域 {0} × {1}；松开以确认"},
    {L"overlay.window_region",
     L"Window {0} × {1}; click or press Enter to confirm, or drag freely",
     L"窗口 {0} × {1}；点击或按 Enter 确认，或自由拖动"},
    {L"overlay.entire_screen",
     L"Entire screen {0} × {1}; click or press Enter to confirm, or drag freely",
     L"整个屏幕 {0} × {1}；点击或按 Enter 确认，或自由拖动"},
    {L"overlay.current_spec",
     L"Current size {0} × {1}; move to snap to a window, click or press Enter to confirm",
     L"当前尺寸 {0} × {1}；移动以吸附到窗口，点击或按 Enter 确认"},
    {L"overlay.exit_hint", L"; right-click or press Esc to exit", L"；右键单击或按 Esc 退出"},
};

}  // namespace

std::vector<ResourceEntry> build_text_catalog() {
  std::vector<ResourceEntry> rows;
  rows.reserve(2 * std::size(kCatalogTexts));
  for (const CatalogText& text : kCatalogTexts) {
    rows.push_back({std::wstring(kEnglishUiLanguage), std::wstring(text.key),
                    std::wstring(text.english)});
  }
  for (const CatalogText& text : kCatalogTexts) {
    rows.push_back({std::wstring(kChineseUiLanguage), std::wstring(text.key),
                    std::wstring(text.chinese)});
  }
  return rows;
}

std::shared_ptr<const ResourceBundle> text_catalog_bundle() {
  // The static's initialisation guard serialises the first calls; the
  // bundle is immutable afterwards and is released at process exit.
  static const std::shared_ptr<const ResourceBundle> bundle = std::make_shared<ResourceBundle>(
      build_text_catalog(), std::wstring(kEnglishUiLanguage), nullptr);
  return bundle;
}

}  // namespace quorvel::windows
