#pragma once

#include <string>

// The certificates the system trusts as roots (the machine's and the user's "ROOT" stores), as
// one PEM text. Given to libcurl, it checks a server's chain and name itself against what Windows
// trusts, on every system alike: Schannel's own automatic check is not made by every
// implementation of it. Read once, on first use; empty when no store can be opened.
const std::string& SystemRootCertificatesPem();
