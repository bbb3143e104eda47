# Sodium::sodium: libsodium's signature verification and BLAKE2b, static.
include("${CMAKE_CURRENT_LIST_DIR}/SodiumTargets.cmake")
