// A program that imports Media Foundation statically, as Quorvel.exe must
// not: the import check has to find it here. Built, never run.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

int main() {
  IMFSinkWriter* writer = nullptr;
  IMFMediaTypeHandler* handler = nullptr;
  if (SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE))) MFShutdown();
  if (SUCCEEDED(MFCreateSimpleTypeHandler(&handler))) handler->Release();
  if (SUCCEEDED(MFCreateSinkWriterFromURL(L"x.mp4", nullptr, nullptr, &writer))) writer->Release();
  return 0;
}
