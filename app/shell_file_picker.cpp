#include "app/shell_file_picker.h"

#include <wrl/client.h>

#include <functional>

namespace quorvel::windows {

namespace {

using Microsoft::WRL::ComPtr;

HRESULT add_options(IFileOpenDialog* dialog, FILEOPENDIALOGOPTIONS extra) {
  FILEOPENDIALOGOPTIONS options = 0;
  HRESULT hr = dialog->GetOptions(&options);
  if (FAILED(hr)) return hr;
  return dialog->SetOptions(options | extra);
}

std::wstring show_and_take_path(HWND owner,
                                const std::function<HRESULT(IFileOpenDialog*)>& prepare) {
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&dialog)))) {
    return {};
  }
  if (FAILED(prepare(dialog.Get())) || FAILED(dialog->Show(owner))) return {};
  ComPtr<IShellItem> item;
  if (FAILED(dialog->GetResult(&item))) return {};
  PWSTR path = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || path == nullptr) return {};
  std::wstring result(path);
  CoTaskMemFree(path);
  return result;
}

}  // namespace

HRESULT prepare_folder_dialog(IFileOpenDialog* dialog, const std::wstring& title,
                              const std::wstring& initial) {
  HRESULT hr = add_options(dialog, FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  if (FAILED(hr)) return hr;
  hr = dialog->SetTitle(title.c_str());
  if (FAILED(hr)) return hr;
  if (!initial.empty()) {
    ComPtr<IShellItem> folder;
    // A folder that no longer exists only loses the starting place.
    if (SUCCEEDED(SHCreateItemFromParsingName(initial.c_str(), nullptr, IID_PPV_ARGS(&folder)))) {
      dialog->SetFolder(folder.Get());
    }
  }
  return S_OK;
}

HRESULT prepare_image_dialog(IFileOpenDialog* dialog, const std::wstring& title) {
  HRESULT hr = add_options(dialog, FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_FILEMUSTEXIST);
  if (FAILED(hr)) return hr;
  const COMDLG_FILTERSPEC images{L"Images (*.png;*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.gif)",
                                 L"*.png;*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.gif"};
  hr = dialog->SetFileTypes(1, &images);
  if (FAILED(hr)) return hr;
  return dialog->SetTitle(title.c_str());
}

std::wstring pick_folder_with_shell(HWND owner, const std::wstring& title,
                                    const std::wstring& initial) {
  return show_and_take_path(owner, [&](IFileOpenDialog* dialog) {
    return prepare_folder_dialog(dialog, title, initial);
  });
}

std::wstring pick_image_with_shell(HWND owner, const std::wstring& title) {
  return show_and_take_path(
      owner, [&](IFileOpenDialog* dialog) { return prepare_image_dialog(dialog, title); });
}

}  // namespace quorvel::windows
