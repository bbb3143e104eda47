#include "tests/support/manifest_text.h"

std::string ManifestFileEntry(const std::string& name,
                              const std::string& dir,
                              const std::string& md5,
                              const std::string& length,
                              const std::string& url) {
  return "<File><Name>" + name + "</Name><Url>" + url + "</Url><Dir>" + dir + "</Dir><MD5>" + md5 +
         "</MD5><Length>" + length + "</Length></File>";
}

std::string ManifestText(const std::string& entries) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<UpdateFiles>" + entries + "</UpdateFiles>";
}
