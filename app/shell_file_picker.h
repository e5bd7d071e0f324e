// The shell's file-open dialog set up to pick a folder or a watermark image.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <string>

namespace quorvel::windows {

// The dialog's options plus FOS_PICKFOLDERS, FOS_FORCEFILESYSTEM and
// FOS_PATHMUSTEXIST, its title and, when `initial` is not empty, the folder
// it opens in.
HRESULT prepare_folder_dialog(IFileOpenDialog* dialog, const std::wstring& title,
                              const std::wstring& initial);
// The dialog's options plus FOS_FORCEFILESYSTEM, FOS_PATHMUSTEXIST and
// FOS_FILEMUSTEXIST, one image file type and its title.
HRESULT prepare_image_dialog(IFileOpenDialog* dialog, const std::wstring& title);

// Makes the dialog, prepares it for a folder or an image, shows it over the
// owner and returns the chosen file-system path; empty when cancelled or
// when anything failed.
std::wstring pick_folder_with_shell(HWND owner, const std::wstring& title,
                                    const std::wstring& initial);
std::wstring pick_image_with_shell(HWND owner, const std::wstring& title);

}  // namespace quorvel::windows
