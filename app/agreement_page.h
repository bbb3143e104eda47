#pragma once

#include <string>

// The user-licence page on the product's web site (https, "/help/protocol.html").
std::wstring AgreementPageAddress();

// Opens the page in the user's browser with the shell's "open" verb, without an owner window.
// Nothing is reported when it cannot be opened.
void OpenAgreementPage();
