// What the probes read back from a rich-edit control.
#pragma once
#include <windows.h>
// after windows.h
#include <richedit.h>

#include <string>

// The bold characters as the rich-edit control holds them, read back one by one, runs separated
// by "|". Line breaks are left out: Wine reports the paragraph mark after a bold run as bold.
inline std::string BoldRuns(HWND edit) {
  const int len = GetWindowTextLengthA(edit);
  std::string text(size_t(len) + 1, '\0');
  GetWindowTextA(edit, text.data(), len + 1);
  std::string runs;
  bool inRun = false;
  for (int i = 0; i < len; ++i) {
    if (text[i] == '\r' || text[i] == '\n') continue;
    CHARRANGE sel{i, i + 1};
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    SendMessageA(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    const bool bold = (cf.dwEffects & CFE_BOLD) != 0;
    if (bold && !inRun && !runs.empty()) runs += '|';
    if (bold) runs += text[i];
    inRun = bold;
  }
  CHARRANGE none{0, 0};
  SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
  return runs;
}
