// Auto-inform: the address rule, the plan of the dialog and PerformAutoInform.
#include "agent/AutoInform.h"

#include "pack/PackX.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {
void Marker(int n) { DebugLn(IntToStr(CurrentProcessId()) + " ==== PerformAutoInform-" + IntToStr(n) + " ===="); }

bool IsAllowedInside(char c) { return uint8_t(c) > ' ' && c != 0x7F && c != '"'; }
}  // namespace

bool IsWebAddress(std::string_view address) {
  const std::string a = Trim(address);
  size_t host = 0;
  if (StartsWith("http://", a, true))
    host = 7;
  else if (StartsWith("https://", a, true))
    host = 8;
  else
    return false;
  // A third slash or a backslash would make the rest a path on this machine or a share.
  if (host >= a.size() || a[host] == '/' || a[host] == '\\') return false;
  for (char c : a)
    if (!IsAllowedInside(c)) return false;
  return true;
}

void LogRefusedAddress(std::string_view address) {
  const std::string line =
      "Inform: the address \"" + Trim(address) + "\" is not an http:// or https:// address; it is not opened";
  DebugLn(IntToStr(CurrentProcessId()) + " " + line);
  WriteStubLog(line);
}

InformPlan PlanInform(std::string_view content, std::string_view address) {
  InformPlan plan;
  plan.address = Trim(address);
  if (!plan.address.empty() && !IsWebAddress(plan.address)) {
    plan.refused = true;
    plan.address.clear();
  }
  if (!content.empty())
    plan.action = InformAction::ShowDialog;
  else if (!plan.address.empty())
    plan.action = InformAction::OpenAddress;
  return plan;
}

bool ShowInform(const InformDialogRequest& request, InformUi& ui) {
  const InformPlan plan = PlanInform(request.content, request.address);
  if (plan.refused) LogRefusedAddress(request.address);
  switch (plan.action) {
    case InformAction::Nothing:
      return false;
    case InformAction::OpenAddress:
      ui.OpenAddress(plan.address);
      return true;
    case InformAction::ShowDialog:
      break;
  }
  InformDialogRequest shown = request;
  shown.address = plan.address;
  return ui.RunDialog(shown);
}

bool BeginAutoInform(const InfoFile& info) {
  WriteStubLog("PerformAutoInform() - START ");
  Marker(1);
  if (info.DownloadURL_UPDATE().empty() || info.NameOfInformFile().empty()) return false;
  Marker(2);
  return true;
}

bool PerformAutoInform(OriginalFile& original, const InfoFile& info, const InformFetch& fetch, InformUi& ui) {
  bool result = false;
  if (fetch.fetched) {
    Marker(3);
    const TInformHeader inform = ParseInformHeader(fetch.text);
    InformDialogRequest request;
    request.title = AutoUpdateText(original, info, 34);
    request.buttonCaption = AutoUpdateText(original, info, 35);
    request.content = inform.body;
    request.address = info.DownloadURL_INFORM();
    request.width = info.AutoInformW();
    request.height = info.AutoInformH();
    request.fontName = original.FontName();
    request.fontSize = original.FontSize();
    request.charSet = original.CharSet();
    result = ShowInform(request, ui);
    if (result) original.SetVersionOriginal(info.VersionNew());
    Marker(4);
  }
  WriteStubLog(std::string("PerformAutoInform() - END ") + BoolToText(result));
  return result;
}
