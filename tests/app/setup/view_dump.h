// Reads a built setup tree back for tests: one line per view with its type,
// control id, grid cell, text, enabled, checked and opacity, and what the
// native controls hold; and finds views by control id.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/views/view.h"

namespace quorvel::windows::test {

// Lines in tree order, children indented by two blanks; UTF-8.
std::vector<std::string> dump_tree(const win32_ui::modern::View& root);

// The control id of a widget or native host, 0 for other views.
int control_id_of(const win32_ui::modern::View& view);

// Every view with `control_id`, in tree order.
std::vector<win32_ui::modern::View*> find_all(win32_ui::modern::View& root, int control_id);

// The texts of every Text widget in tree order, UTF-16.
std::vector<std::wstring> texts_of(win32_ui::modern::View& root);

// The one view with `control_id` as T; null (and a test failure) when there
// is none, more than one, or it is no T.
template <typename T>
T* find_one(win32_ui::modern::View& root, int control_id) {
  const std::vector<win32_ui::modern::View*> found = find_all(root, control_id);
  if (found.size() != 1) {
    ADD_FAILURE() << "control " << control_id << " found " << found.size() << " times";
    return nullptr;
  }
  T* typed = dynamic_cast<T*>(found[0]);
  if (typed == nullptr) ADD_FAILURE() << "control " << control_id << " has another type";
  return typed;
}

}  // namespace quorvel::windows::test
