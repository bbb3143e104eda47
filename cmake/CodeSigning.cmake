# Authenticode signing of installer.exe (quenby_sign_after_link), with osslsigncode and SHA-256
# digests, right after its link. The publisher's certificate comes as a PKCS#12 file or as PEM
# certificate and key; without either, QUENBY_SIGN_TEST_CA signs with a test authority made on
# first use (the test and demo scripts turn it on); with none of these the build is unsigned.
#
# Sets QUENBY_SIGNING (true when the build signs) and QUENBY_SIGN_VERIFY_CA (the certificates
# a signature is checked against by the tests).
set(QUENBY_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file with the publisher's code-signing certificate, its chain and key")
set(QUENBY_SIGN_CERT "" CACHE FILEPATH
    "PEM file with the publisher's code-signing certificate and its chain (with QUENBY_SIGN_KEY)")
set(QUENBY_SIGN_KEY "" CACHE FILEPATH "PEM private key of QUENBY_SIGN_CERT")
# A file, so that the password appears neither in the cache nor on the build's command lines.
set(QUENBY_SIGN_PASSWORD_FILE "" CACHE FILEPATH
    "File holding the password of QUENBY_SIGN_PKCS12 or QUENBY_SIGN_KEY (empty: none)")
set(QUENBY_SIGN_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 time-stamp server for the signature (empty: no timestamp)")
option(QUENBY_SIGN_TEST_CA
       "Without the publisher's certificate, sign with the test authority (tests and demo)" OFF)
if(DEFINED ENV{XDG_CACHE_HOME})
  set(quenby_cache_home "$ENV{XDG_CACHE_HOME}")
else()
  set(quenby_cache_home "$ENV{HOME}/.cache")
endif()
set(QUENBY_SIGN_TEST_CA_DIR "${quenby_cache_home}/quenby-sign" CACHE PATH
    "Folder of the test authority and its code-signing certificate, made on first use")
# Empty: the test authority's certificate, or the system's roots for the publisher's certificate.
set(QUENBY_SIGN_CA_FILE "" CACHE FILEPATH
    "Root certificates the tests verify the signature against")

set(QUENBY_SIGNING FALSE)
set(quenby_sign_key_args)
set(quenby_sign_inputs)
if(QUENBY_SIGN_PKCS12)
  set(quenby_sign_key_args -pkcs12 ${QUENBY_SIGN_PKCS12})
  set(quenby_sign_inputs ${QUENBY_SIGN_PKCS12})
elseif(QUENBY_SIGN_CERT OR QUENBY_SIGN_KEY)
  if(NOT (QUENBY_SIGN_CERT AND QUENBY_SIGN_KEY))
    message(FATAL_ERROR "QUENBY_SIGN_CERT and QUENBY_SIGN_KEY go together")
  endif()
  set(quenby_sign_key_args -certs ${QUENBY_SIGN_CERT} -key ${QUENBY_SIGN_KEY})
  set(quenby_sign_inputs ${QUENBY_SIGN_CERT} ${QUENBY_SIGN_KEY})
endif()
if(quenby_sign_key_args)
  set(QUENBY_SIGNING TRUE)
  if(QUENBY_SIGN_PASSWORD_FILE)
    list(APPEND quenby_sign_key_args -readpass ${QUENBY_SIGN_PASSWORD_FILE})
    list(APPEND quenby_sign_inputs ${QUENBY_SIGN_PASSWORD_FILE})
  endif()
  set(QUENBY_SIGN_VERIFY_CA "${QUENBY_SIGN_CA_FILE}")
  if(NOT QUENBY_SIGN_VERIFY_CA)
    set(QUENBY_SIGN_VERIFY_CA /etc/ssl/certs/ca-certificates.crt)
  endif()
elseif(QUENBY_SIGN_TEST_CA)
  set(QUENBY_SIGNING TRUE)
  set(quenby_test_ca ${QUENBY_SIGN_TEST_CA_DIR}/ca.pem)
  set(quenby_test_signer
    ${QUENBY_SIGN_TEST_CA_DIR}/signer.pem ${QUENBY_SIGN_TEST_CA_DIR}/signer.key)
  set(quenby_sign_key_args -certs ${QUENBY_SIGN_TEST_CA_DIR}/signer.pem
                           -key ${QUENBY_SIGN_TEST_CA_DIR}/signer.key)
  set(quenby_sign_inputs ${quenby_test_signer})
  set(QUENBY_SIGN_VERIFY_CA "${QUENBY_SIGN_CA_FILE}")
  if(NOT QUENBY_SIGN_VERIFY_CA)
    set(QUENBY_SIGN_VERIFY_CA ${quenby_test_ca})
  endif()
  find_program(QUENBY_OPENSSL openssl)
  if(NOT QUENBY_OPENSSL)
    message(FATAL_ERROR "QUENBY_SIGN_TEST_CA needs openssl to make the test authority "
                        "(scripts/setup.sh installs it)")
  endif()
  # No dependencies: the set is made once and kept while it is there, shared by every build.
  add_custom_command(
    OUTPUT ${quenby_test_ca} ${quenby_test_signer}
    COMMAND bash ${PROJECT_SOURCE_DIR}/tools/code_signing/make_test_ca.sh
            ${QUENBY_SIGN_TEST_CA_DIR}
    COMMENT "Making the test code-signing authority in ${QUENBY_SIGN_TEST_CA_DIR}"
    VERBATIM)
  add_custom_target(test_signing_certificate DEPENDS ${quenby_test_ca} ${quenby_test_signer})
endif()
if(QUENBY_SIGNING)
  find_program(QUENBY_OSSLSIGNCODE osslsigncode)
  if(NOT QUENBY_OSSLSIGNCODE)
    message(FATAL_ERROR "Signing needs osslsigncode (scripts/setup.sh installs it); without "
                        "QUENBY_SIGN_* inputs and with QUENBY_SIGN_TEST_CA off the build is "
                        "unsigned")
  endif()
  set(quenby_sign_args ${quenby_sign_key_args} -h sha256 -n Quenby -i ${QUENBY_HOMEPAGE_URL})
  if(QUENBY_SIGN_TIMESTAMP_URL)
    list(APPEND quenby_sign_args -ts ${QUENBY_SIGN_TIMESTAMP_URL})
  endif()
endif()

# quenby_sign_after_link(<target>): signs the target's file after each of its links. The link
# writes a new unsigned file every time, so the signature is always over the current code; the
# signed file is written beside it and renamed over it, so that a failed signing leaves no half
# file. A changed certificate or key links the program again.
function(quenby_sign_after_link target)
  if(NOT QUENBY_SIGNING)
    return()
  endif()
  set(program $<TARGET_FILE:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E rm -f ${program}.signed
    COMMAND ${QUENBY_OSSLSIGNCODE} sign ${quenby_sign_args} -in ${program} -out ${program}.signed
    COMMAND ${CMAKE_COMMAND} -E rename ${program}.signed ${program}
    COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
    VERBATIM)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${quenby_sign_inputs})
  if(TARGET test_signing_certificate)
    add_dependencies(${target} test_signing_certificate)
  endif()
endfunction()
