// Completes an install in the running wizard using only Active Accessibility, the way a screen
// reader's user would: reads the client object's children, presses "立即安装" by its default
// action, follows the progress bar's value until "立即体验" shows, presses that too and waits for
// the wizard to end. Prints what it reads as UTF-8 lines:
//   page <n>: <id> role=<number> state=0x<hex> name=<text> value=<text> action=<text>
//   progress <value>
// and ends with "done". Exit code 0 on success, 1 with a line "failed: <why>" otherwise.
//   screen-reader-probe <seconds to wait for the install>
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "base/scoped_com_initializer.h"

namespace {

constexpr wchar_t kWizardClass[] = L"Install_Wnd";
constexpr wchar_t kInstallName[] = L"立即安装";
constexpr wchar_t kFinishName[] = L"立即体验";
constexpr DWORD kPollMs = 100;

struct Child {
  long id = 0;
  long role = 0;
  long state = 0;
  std::wstring name;
  std::wstring value;
  std::wstring action;
};

std::string Utf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size,
                        nullptr, nullptr);
  return utf8;
}

[[noreturn]] void Fail(const std::string& why) {
  std::printf("failed: %s\n", why.c_str());
  std::fflush(stdout);
  std::exit(1);
}

VARIANT ChildId(long id) {
  VARIANT child;
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

// The string that ask answers (ask is called with the out parameter); empty when it gave none.
template <typename Ask>
std::wstring AskText(Ask ask) {
  BSTR text = nullptr;
  const HRESULT result = ask(&text);
  std::wstring taken = result == S_OK && text ? std::wstring(text, ::SysStringLen(text)) : L"";
  ::SysFreeString(text);
  return taken;
}

// The children as the enumeration lists them; false when the object cannot be read (the wizard
// has gone).
bool ReadChildren(IAccessible* client, std::vector<Child>& children) {
  children.clear();
  base::ComPtr<IEnumVARIANT> ids;
  if (FAILED(client->QueryInterface(__uuidof(IEnumVARIANT), ids.ReceiveVoid())) ||
      FAILED(ids->Reset())) {
    return false;
  }
  VARIANT id;
  ULONG fetched = 0;
  while (ids->Next(1, &id, &fetched) == S_OK && fetched == 1) {
    if (id.vt != VT_I4)
      continue;
    Child child;
    child.id = id.lVal;
    VARIANT number;
    if (SUCCEEDED(client->get_accRole(ChildId(child.id), &number)) && number.vt == VT_I4)
      child.role = number.lVal;
    if (SUCCEEDED(client->get_accState(ChildId(child.id), &number)) && number.vt == VT_I4)
      child.state = number.lVal;
    const VARIANT childId = ChildId(child.id);
    child.name = AskText([&](BSTR* text) { return client->get_accName(childId, text); });
    child.value = AskText([&](BSTR* text) { return client->get_accValue(childId, text); });
    child.action = AskText([&](BSTR* text) { return client->get_accDefaultAction(childId, text); });
    children.push_back(child);
  }
  return true;
}

void Print(int page, const std::vector<Child>& children) {
  for (const Child& child : children) {
    std::printf("page %d: %ld role=%ld state=0x%lx name=%s value=%s action=%s\n", page, child.id,
                child.role, static_cast<unsigned long>(child.state), Utf8(child.name).c_str(),
                Utf8(child.value).c_str(), Utf8(child.action).c_str());
  }
  std::fflush(stdout);
}

// The shown push button of that name, or null.
const Child* ShownButton(const std::vector<Child>& children, const wchar_t* name) {
  for (const Child& child : children) {
    if (child.name == name && child.role == ROLE_SYSTEM_PUSHBUTTON &&
        (child.state & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE)) == 0) {
      return &child;
    }
  }
  return nullptr;
}

void Press(IAccessible* client, const Child& button) {
  const HRESULT result = client->accDoDefaultAction(ChildId(button.id));
  std::printf("pressed %s: 0x%08lx\n", Utf8(button.name).c_str(),
              static_cast<unsigned long>(result));
  std::fflush(stdout);
  if (FAILED(result))
    Fail("the default action of " + Utf8(button.name) + " failed");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2)
    Fail("usage: screen-reader-probe <seconds to wait for the install>");
  const ULONGLONG installBound = std::wcstoul(argv[1], nullptr, 10) * 1000ULL;
  base::ScopedComInitializer com;
  if (!com.Succeeded())
    Fail("COM cannot be initialised");

  HWND wizard = nullptr;
  for (ULONGLONG start = ::GetTickCount64(); !wizard; ::Sleep(kPollMs)) {
    wizard = ::FindWindowW(kWizardClass, nullptr);
    if (!wizard && ::GetTickCount64() - start > 60000)
      Fail("no wizard window");
  }
  base::ComPtr<IAccessible> client;
  if (FAILED(::AccessibleObjectFromWindow(wizard, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible), client.ReceiveVoid())) ||
      !client) {
    Fail("the wizard gives no client object");
  }
  VARIANT role;
  if (FAILED(client->get_accRole(ChildId(CHILDID_SELF), &role)) || role.vt != VT_I4 ||
      role.lVal != ROLE_SYSTEM_DIALOG) {
    Fail("the wizard is no dialog");
  }

  std::vector<Child> children;
  if (!ReadChildren(client.Get(), children))
    Fail("the children cannot be read");
  Print(0, children);
  const Child* install = ShownButton(children, kInstallName);
  if (!install)
    Fail("no install button");
  Press(client.Get(), *install);

  // The installing page, until the finish page's button shows.
  std::set<std::wstring> progressSeen;
  const Child* finish = nullptr;
  bool installingPrinted = false;
  for (ULONGLONG start = ::GetTickCount64(); !finish; ::Sleep(kPollMs)) {
    if (::GetTickCount64() - start > installBound)
      Fail("the finish page did not show");
    if (!ReadChildren(client.Get(), children))
      Fail("the children cannot be read during the install");
    for (const Child& child : children) {
      if (child.role == ROLE_SYSTEM_PROGRESSBAR && progressSeen.insert(child.value).second) {
        if (!installingPrinted)
          Print(1, children);
        installingPrinted = true;
        std::printf("progress %s\n", Utf8(child.value).c_str());
      }
    }
    finish = ShownButton(children, kFinishName);
  }
  Print(2, children);
  Press(client.Get(), *finish);

  for (ULONGLONG start = ::GetTickCount64(); ::IsWindow(wizard); ::Sleep(kPollMs)) {
    if (::GetTickCount64() - start > 30000)
      Fail("the wizard did not end");
  }
  // The object outlives its window for the client; a call now must fail cleanly.
  long count = 0;
  std::printf("after the wizard: 0x%08lx\n",
              static_cast<unsigned long>(client->get_accChildCount(&count)));
  std::printf("done\n");
  return 0;
}
