// Stands in for the D3D11 video device and video context, which Wine lacks,
// at the converter's VideoInterfaceQuery seam, so that the product's own
// video-processor converter runs against them on Wine's real device.
//
// The video device makes an enumerator reporting the record's format
// support, processors, and input and output views that remember their
// resources. The video context keeps each stream's state as a driver does,
// including auto-processing, which is on until turned off (a driver may then
// apply its own noise reduction, edge enhancement or colour changes), and
// records every VideoProcessorBlt with the state it found. It draws nothing.
//
// Single-threaded, like the converter that uses it.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <wrl/client.h>

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "engine/nv12_converter.h"

namespace quorvel::windows::test {

// The state of one input stream of a processor as the driver holds it.
struct FakeVideoStreamState {
  std::optional<D3D11_VIDEO_FRAME_FORMAT> frame_format;
  std::optional<D3D11_VIDEO_PROCESSOR_COLOR_SPACE> color_space;
  std::optional<RECT> source_rect;
  std::optional<RECT> dest_rect;
  // On until the program turns it off.
  bool auto_processing = true;
};

struct FakeVideoBlt {
  UINT frame_number = 0;
  UINT stream_count = 0;
  BOOL stream_enabled = FALSE;
  // What the views were made over.
  ID3D11Resource* input = nullptr;
  ID3D11Resource* output = nullptr;
  FakeVideoStreamState stream;
  std::optional<D3D11_VIDEO_PROCESSOR_COLOR_SPACE> output_color_space;
  std::optional<RECT> target_rect;
};

struct FakeVideoProcessorRecord {
  // What the enumerator answers for each format; others: no support.
  UINT bgra_support = D3D11_VIDEO_PROCESSOR_FORMAT_SUPPORT_INPUT;
  UINT nv12_support = D3D11_VIDEO_PROCESSOR_FORMAT_SUPPORT_OUTPUT;
  HRESULT blt_result = S_OK;

  std::optional<D3D11_VIDEO_PROCESSOR_CONTENT_DESC> content;
  int processors_made = 0;
  // Every call that set stream auto-processing: stream and value.
  std::vector<std::pair<UINT, BOOL>> auto_processing_calls;
  std::map<UINT, FakeVideoStreamState> streams;
  std::vector<FakeVideoBlt> blts;
};

class FakeVideoInterfaces {
 public:
  explicit FakeVideoInterfaces(std::shared_ptr<FakeVideoProcessorRecord> record);

  // Hands out the fake video device for ID3D11VideoDevice and the fake video
  // context for ID3D11VideoContext; E_NOINTERFACE for anything else.
  VideoInterfaceQuery query() const;

 private:
  std::shared_ptr<FakeVideoProcessorRecord> record_;
};

}  // namespace quorvel::windows::test
