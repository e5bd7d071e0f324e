// Reads the clipboard's CF_DIB block from a process of its own and writes it
// to the file named by its one argument, so a test can show that what it put
// on the clipboard outlives the window that set it. Exit code 0 on success.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  if (!OpenClipboard(nullptr)) return 3;
  int result = 4;
  if (HANDLE data = GetClipboardData(CF_DIB)) {
    const void* block = GlobalLock(data);
    if (block) {
      FILE* file = _wfopen(argv[1], L"wb");
      if (file) {
        const size_t size = GlobalSize(data);
        result = fwrite(block, 1, size, file) == size ? 0 : 5;
        fclose(file);
      }
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return result;
}
