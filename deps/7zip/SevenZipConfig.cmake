# SevenZip::SevenZip: the static 7-Zip archive library, linked whole so that its self-registering
# handlers and codecs stay in the program, with the include folders of its interface headers.
include("${CMAKE_CURRENT_LIST_DIR}/SevenZipTargets.cmake")
