#include "account/ui/account_texts.h"

namespace halvarin::sdk::ui {
namespace {

constexpr AccountTexts kChinese{
    L"账户",
    L"此应用当前连接",
    L"账户连接",
    L"Halvarin 账户",
    L"未连接账户",
    L"需要时可登录账户，将此应用连接到 Halvarin。",
    L"切换或断开只影响此应用，不会退出浏览器或其他应用。",
    L"登录账户",
    L"切换账户",
    L"账户详情",
    L"断开账户",
    L"稍后再说",
    L"登录没有完成，请重试。",
    L"无法打开账户详情。",
    L"无法断开当前账户。",
    L"账户操作失败",
    L"连接 Halvarin 账户",
    L"请在浏览器中选择账户。授权完成后此窗口会自动关闭；如果已经关闭浏览器，请在这里取消。",
    L"取消",
};

constexpr AccountTexts kEnglish{
    L"Account",
    L"Connected to this app",
    L"Account connection",
    L"Halvarin account",
    L"No account connected",
    L"Sign in when you want to connect this app to a Halvarin account.",
    L"Switching or disconnecting affects only this app. It does not sign out your browser or "
    L"other apps.",
    L"Sign in",
    L"Switch account",
    L"Account details",
    L"Disconnect account",
    L"Not now",
    L"Sign-in did not complete. Please try again.",
    L"Account details could not be opened.",
    L"The account could not be disconnected.",
    L"Account operation failed",
    L"Connect a Halvarin account",
    L"Choose an account in the browser. This window closes automatically when authorization "
    L"finishes. If you closed the browser, cancel here.",
    L"Cancel",
};

}  // namespace

const AccountTexts& account_texts(Language language) {
  return language == Language::chinese ? kChinese : kEnglish;
}

}  // namespace halvarin::sdk::ui
