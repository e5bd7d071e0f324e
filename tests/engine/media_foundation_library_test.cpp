#include "engine/media_foundation_library.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/com_apartment.h"
#include "engine/engine_errors.h"
#include "tests/fakes/engine/fake_library_loader.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;
using test::FakeLibraryLoader;

// The Win32 codes, built here from their numbers.
constexpr HRESULT kLibraryMissing = static_cast<HRESULT>(0x80070000u | ERROR_MOD_NOT_FOUND);
constexpr HRESULT kEntryPointMissing = static_cast<HRESULT>(0x80070000u | ERROR_PROC_NOT_FOUND);
static_assert(kErrorLibraryMissing == kLibraryMissing);
static_assert(kErrorEntryPointMissing == kEntryPointMissing);

struct MachineCase {
  const char* name;
  std::function<void(FakeLibraryLoader&)> arrange;
  HRESULT status;
  // The libraries asked for, in order, before the load gave up.
  std::vector<std::wstring> asked;
};

class MediaFoundationLibraryTest : public testing::TestWithParam<MachineCase> {};

// A pointer the library must overwrite with null when it cannot create.
template <typename T>
T* stale() {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(0x1));
}

TEST_P(MediaFoundationLibraryTest, IsUsableOnlyWithEveryLibraryAndEntryPoint) {
  const MachineCase& machine = GetParam();
  FakeLibraryLoader loader;
  machine.arrange(loader);
  const MediaFoundationLibrary library(loader.loader());

  EXPECT_EQ(library.status(), machine.status);
  EXPECT_EQ(loader.asked(), machine.asked);
  if (SUCCEEDED(machine.status)) return;

  // Nothing half-loaded answers: every entry point reports the load's error.
  EXPECT_EQ(library.startup(MF_VERSION, MFSTARTUP_LITE), machine.status);
  EXPECT_EQ(library.shutdown(), machine.status);
  IMFMediaType* type = stale<IMFMediaType>();
  EXPECT_EQ(library.create_media_type(&type), machine.status);
  EXPECT_EQ(type, nullptr);
  IMFAttributes* attributes = stale<IMFAttributes>();
  EXPECT_EQ(library.create_attributes(&attributes, 2), machine.status);
  EXPECT_EQ(attributes, nullptr);
  IMFSample* sample = stale<IMFSample>();
  EXPECT_EQ(library.create_sample(&sample), machine.status);
  EXPECT_EQ(sample, nullptr);
  IMFMediaBuffer* buffer = stale<IMFMediaBuffer>();
  EXPECT_EQ(library.create_memory_buffer(16, &buffer), machine.status);
  EXPECT_EQ(buffer, nullptr);
  IMFMediaEventQueue* queue = stale<IMFMediaEventQueue>();
  EXPECT_EQ(library.create_event_queue(&queue), machine.status);
  EXPECT_EQ(queue, nullptr);
  UINT token = 0;
  IMFDXGIDeviceManager* manager = stale<IMFDXGIDeviceManager>();
  EXPECT_EQ(library.create_dxgi_device_manager(&token, &manager), machine.status);
  EXPECT_EQ(manager, nullptr);
  void* allocator = stale<void>();
  EXPECT_EQ(library.create_video_sample_allocator_ex(IID_IMFVideoSampleAllocatorEx, &allocator),
            machine.status);
  EXPECT_EQ(allocator, nullptr);
  IMFMediaTypeHandler* handler = stale<IMFMediaTypeHandler>();
  EXPECT_EQ(library.create_simple_type_handler(&handler), machine.status);
  EXPECT_EQ(handler, nullptr);
  IMFSinkWriter* writer = stale<IMFSinkWriter>();
  EXPECT_EQ(library.create_sink_writer_from_media_sink(nullptr, nullptr, &writer), machine.status);
  EXPECT_EQ(writer, nullptr);
  writer = stale<IMFSinkWriter>();
  EXPECT_EQ(library.create_sink_writer_from_url(L"a.mp4", nullptr, nullptr, &writer),
            machine.status);
  EXPECT_EQ(writer, nullptr);
}

const std::vector<std::wstring> kAllThree = {L"mfplat.dll", L"mf.dll", L"mfreadwrite.dll"};

INSTANTIATE_TEST_SUITE_P(
    Machines, MediaFoundationLibraryTest,
    testing::Values(
        MachineCase{"WithMediaFoundation", [](FakeLibraryLoader&) {}, S_OK, kAllThree},
        MachineCase{"WithoutAnyOfIt",
                    [](FakeLibraryLoader& loader) {
                      loader.missing(L"mfplat.dll").missing(L"mf.dll").missing(L"mfreadwrite.dll");
                    },
                    kLibraryMissing, {L"mfplat.dll"}},
        MachineCase{"WithoutTheSinkWriterLibrary",
                    [](FakeLibraryLoader& loader) { loader.missing(L"mfreadwrite.dll"); },
                    kLibraryMissing, kAllThree},
        MachineCase{"WithAMediaLibraryLackingItsEntryPoint",
                    [](FakeLibraryLoader& loader) { loader.replaced(L"mf.dll", L"kernel32.dll"); },
                    kEntryPointMissing, kAllThree},
        MachineCase{"WithAPlatformLibraryLackingItsEntryPoints",
                    [](FakeLibraryLoader& loader) {
                      loader.replaced(L"mfplat.dll", L"kernel32.dll");
                    },
                    kEntryPointMissing, kAllThree}),
    [](const testing::TestParamInfo<MachineCase>& info) { return std::string(info.param.name); });

TEST(MediaFoundationLibrary, CreatesThroughTheSystemLibrariesWhenTheyAreThere) {
  ComApartment com;
  ASSERT_HRESULT_SUCCEEDED(com.result());
  const MediaFoundationLibrary& library = media_foundation();
  ASSERT_EQ(&library, &media_foundation());
  ASSERT_HRESULT_SUCCEEDED(library.status());
  ASSERT_HRESULT_SUCCEEDED(library.startup(MF_VERSION, MFSTARTUP_LITE));

  ComPtr<IMFMediaType> type;
  ASSERT_HRESULT_SUCCEEDED(library.create_media_type(&type));
  ASSERT_HRESULT_SUCCEEDED(type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio));
  GUID major{};
  EXPECT_HRESULT_SUCCEEDED(type->GetMajorType(&major));
  EXPECT_EQ(major, MFMediaType_Audio);

  ComPtr<IMFMediaBuffer> buffer;
  ASSERT_HRESULT_SUCCEEDED(library.create_memory_buffer(64, &buffer));
  DWORD capacity = 0;
  EXPECT_HRESULT_SUCCEEDED(buffer->GetMaxLength(&capacity));
  EXPECT_GE(capacity, 64u);
  ComPtr<IMFSample> sample;
  ASSERT_HRESULT_SUCCEEDED(library.create_sample(&sample));
  EXPECT_HRESULT_SUCCEEDED(sample->AddBuffer(buffer.Get()));
  DWORD buffers = 0;
  EXPECT_HRESULT_SUCCEEDED(sample->GetBufferCount(&buffers));
  EXPECT_EQ(buffers, 1u);

  ComPtr<IMFAttributes> attributes;
  ASSERT_HRESULT_SUCCEEDED(library.create_attributes(&attributes, 1));
  EXPECT_HRESULT_SUCCEEDED(attributes->SetUINT32(MF_LOW_LATENCY, 1));
  ComPtr<IMFMediaEventQueue> queue;
  EXPECT_HRESULT_SUCCEEDED(library.create_event_queue(&queue));
  EXPECT_NE(queue, nullptr);
  if (queue) {
    EXPECT_HRESULT_SUCCEEDED(queue->Shutdown());
  }
  ComPtr<IMFMediaTypeHandler> handler;
  ASSERT_HRESULT_SUCCEEDED(library.create_simple_type_handler(&handler));
  EXPECT_HRESULT_SUCCEEDED(handler->SetCurrentMediaType(type.Get()));
  UINT token = 0;
  ComPtr<IMFDXGIDeviceManager> manager;
  EXPECT_HRESULT_SUCCEEDED(library.create_dxgi_device_manager(&token, &manager));
  EXPECT_NE(manager, nullptr);

  EXPECT_HRESULT_SUCCEEDED(library.shutdown());
}

}  // namespace
}  // namespace quorvel::windows
