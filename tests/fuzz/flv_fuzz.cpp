// The encoder's Annex-B output as the FLV builders read it: any bytes split
// into NAL units that hold no start code, units joined with start codes
// split back to themselves, and the sequence headers carry the parameter
// sets and audio settings they were made from.
#include <vector>

#include "streaming/flv_tags.h"
#include "tests/fuzz/fuzz_support.h"

using namespace quorvel::windows;
using quorvel::fuzz::check;

namespace {

using Bytes = std::vector<uint8_t>;

bool has_start_code(NalUnit unit) {
  for (size_t i = 0; i + 2 < unit.size(); ++i) {
    if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 1) return true;
  }
  return false;
}

// What an encoder writes: an emulation prevention byte after two zeros that
// a byte of 3 or less follows, and never a zero last.
Bytes escaped_unit(const Bytes& raw) {
  Bytes unit;
  size_t zeros = 0;
  for (uint8_t byte : raw) {
    if (zeros >= 2 && byte <= 3) {
      unit.push_back(3);
      zeros = 0;
    }
    unit.push_back(byte);
    zeros = byte == 0 ? zeros + 1 : 0;
  }
  if (unit.empty() || unit.back() == 0) unit.push_back(0x80);
  return unit;
}

void split_anything(std::span<const uint8_t> data) {
  const uint8_t* previous_end = data.data();
  for (NalUnit unit : split_annexb_nal_units(data)) {
    check(!unit.empty(), "units are not empty");
    check(unit.data() >= previous_end && unit.data() + unit.size() <= data.data() + data.size(),
          "units in order inside the data");
    check(!has_start_code(unit), "no start code inside a unit");
    previous_end = unit.data() + unit.size();
  }
  FlvState state;
  bool changed = false;
  capture_avc_parameter_sets(state, data, changed);
  if (state.sps.size() < 4 || state.sps.size() > 0xFFFF || state.pps.empty() ||
      state.pps.size() > 0xFFFF) {
    return;
  }
  const Bytes header = make_avc_sequence_header(state.sps, state.pps);
  const size_t sps_at = 13;
  const size_t pps_at = sps_at + state.sps.size() + 3;
  check(header.size() == pps_at + state.pps.size(), "sequence header size");
  check(Bytes(header.begin(), header.begin() + 6) == Bytes{0x17, 0, 0, 0, 0, 1} &&
            header[6] == state.sps[1] && header[7] == state.sps[2] && header[8] == state.sps[3],
        "sequence header profile");
  check(((header[11] << 8) | header[12]) == static_cast<int>(state.sps.size()) &&
            Bytes(header.begin() + sps_at, header.begin() + sps_at + state.sps.size()) ==
                state.sps,
        "sequence header SPS");
  check(Bytes(header.begin() + pps_at, header.end()) == state.pps, "sequence header PPS");
}

void round_trip(FuzzedDataProvider& input) {
  std::vector<Bytes> units;
  Bytes stream;
  while (input.remaining_bytes() > 0 && units.size() < 64) {
    const bool long_start_code = input.ConsumeBool();
    units.push_back(escaped_unit(input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange(1, 64))));
    if (long_start_code) stream.push_back(0);
    stream.insert(stream.end(), {0, 0, 1});
    stream.insert(stream.end(), units.back().begin(), units.back().end());
  }
  const std::vector<NalUnit> split = split_annexb_nal_units(stream);
  check(split.size() == units.size(), "unit count round trip");
  for (size_t i = 0; i < split.size(); ++i) {
    check(Bytes(split[i].begin(), split[i].end()) == units[i], "unit round trip");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  split_anything({data, size});
  FuzzedDataProvider input(data, size);
  round_trip(input);
  return 0;
}
