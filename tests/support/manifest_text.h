#pragma once

#include <string>

// Update manifests for tests, in the publisher's element layout.

// One <File> element. The length is text, so that tests can give what a number parser must
// survive.
std::string ManifestFileEntry(const std::string& name,
                              const std::string& dir,
                              const std::string& md5,
                              const std::string& length = "10",
                              const std::string& url = "http://h/f/");

// A UTF-8 manifest holding the given <File> elements.
std::string ManifestText(const std::string& entries);
