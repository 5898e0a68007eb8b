# The deployment values: cache variables that base/Deployment.h.in pastes into C string literals.
# Every configuration checks their form; a release (QUORRIN_RELEASE) has no defaults and refuses
# values that point back at the building machine, so that a package can never ship aimed at
# loopback by an oversight.
# Beside them the configuration key, the public half of the key that signs the configuration
# document (app/ConfigKey.h.in). Optional outside a release, where the program then reads any
# document; a release needs it, so that whoever answers in the configuration server's place
# cannot send users to images of their own.

set(quorrin_deployment_values QUORRIN_CONFIG_HOST QUORRIN_CLOUD_DOMAIN QUORRIN_CLOUD_HOME QUORRIN_WEBSITE)

if(QUORRIN_RELEASE)
  set(quorrin_default_config_host "")
  set(quorrin_default_cloud_domain "")
  set(quorrin_default_cloud_home "")
  set(quorrin_default_website "")
else()
  # The local demo server, which the demo and the tests run.
  set(quorrin_default_config_host "127.0.0.1:18080")
  set(quorrin_default_cloud_domain "localhost")
  set(quorrin_default_cloud_home "http://localhost:18080/")
  set(quorrin_default_website "http://127.0.0.1:18080/")
endif()
set(QUORRIN_CONFIG_HOST "${quorrin_default_config_host}" CACHE STRING "Configuration server host[:port]")
set(QUORRIN_CLOUD_DOMAIN "${quorrin_default_cloud_domain}" CACHE STRING "Cloud-drive service domain (tells share links from direct links)")
set(QUORRIN_CLOUD_HOME "${quorrin_default_cloud_home}" CACHE STRING "Cloud-drive home page, the size probe's Referer")
set(QUORRIN_WEBSITE "${quorrin_default_website}" CACHE STRING "Product web site")
set(QUORRIN_CONFIG_KEY "" CACHE STRING "Public key the configuration document must be signed with, 64 hex digits (scripts/sign-config.sh --new-key prints it); empty: any document")

set(quorrin_deployment_example [=[
  QUORRIN_CONFIG_HOST   configuration server, host[:port]     e.g. config.example.com:80
  QUORRIN_CLOUD_DOMAIN  cloud-drive service domain            e.g. pan.example.com
  QUORRIN_CLOUD_HOME    cloud-drive home page, http(s) URL    e.g. https://pan.example.com/
  QUORRIN_WEBSITE       product web site, http(s) URL         e.g. https://www.example.com/
  QUORRIN_CONFIG_KEY    public key that signs the             64 hex digits, as
                        configuration document                scripts/sign-config.sh --new-key prints it
  Give them with -D on the cmake command line, or as environment variables of the same
  names to the release preset and scripts/release.sh.]=])

# Characters that would end or bend a C string literal: the double quote, the backslash and
# every control character (a raw newline, say).
string(ASCII 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 127
       quorrin_control_characters)

function(quorrin_fail name value reason)
  message(FATAL_ERROR "${name} [${value}] ${reason}.\nThe deployment values:\n${quorrin_deployment_example}")
endfunction()

function(quorrin_check_literal name value)
  if(value STREQUAL "")
    quorrin_fail(${name} "${value}" "is empty")
  endif()
  string(FIND "${value}" "\"" quote)
  if(NOT quote EQUAL -1)
    quorrin_fail(${name} "${value}" "contains a double quote, which would end the C string literal it becomes")
  endif()
  string(FIND "${value}" "\\" backslash)
  if(NOT backslash EQUAL -1)
    quorrin_fail(${name} "${value}" "contains a backslash, which would start an escape in the C string literal it becomes")
  endif()
  if(value MATCHES "[${quorrin_control_characters}]")
    quorrin_fail(${name} "${value}" "contains a control character (a line break or tab, say)")
  endif()
endfunction()

# host or host:port, the form the program also accepts for its run-time override.
function(quorrin_check_host name value)
  string(LENGTH "${value}" length)
  if(NOT value MATCHES "^[A-Za-z0-9.-]+(:[0-9]+)?$" OR length GREATER 255)
    quorrin_fail(${name} "${value}" "is not a host name or address with an optional :port (letters, digits, '.', '-' and one ':' before the port)")
  endif()
  if(value MATCHES ":([0-9]+)$")
    if(CMAKE_MATCH_1 EQUAL 0 OR CMAKE_MATCH_1 GREATER 65535)
      quorrin_fail(${name} "${value}" "has a port outside 1-65535")
    endif()
  endif()
endfunction()

# The URLs go into a Referer header and a link: printable ASCII only, an http(s) scheme, a host.
function(quorrin_check_url name value)
  if(NOT value MATCHES "^https?://[^/?#]")
    quorrin_fail(${name} "${value}" "must start with http:// or https:// followed by a host")
  endif()
  if(value MATCHES "[ ]")
    quorrin_fail(${name} "${value}" "contains a blank (write it %20)")
  endif()
  if(value MATCHES "[^!-~]")
    quorrin_fail(${name} "${value}" "contains a character outside printable ASCII (percent-encode it, or use the xn-- form of the host name)")
  endif()
endfunction()

# The host a value names, without user, port or IPv6 brackets, in lower case.
function(quorrin_host_of out value)
  string(REGEX REPLACE "^https?://([^/?#]*).*$" "\\1" host "${value}")
  string(REGEX REPLACE "^.*@" "" host "${host}")
  if(host MATCHES "^\\[([^]]*)\\]")
    set(host "${CMAKE_MATCH_1}")
  else()
    string(REGEX REPLACE ":[0-9]*$" "" host "${host}")
  endif()
  string(TOLOWER "${host}" host)
  set(${out} "${host}" PARENT_SCOPE)
endfunction()

function(quorrin_is_loopback out host)
  set(loopback FALSE)
  if(host MATCHES "^localhost(\\..*)?$" OR host MATCHES "\\.localhost\\.?$"
     OR host MATCHES "^ip6-(localhost|loopback)$"
     OR host MATCHES "^127(\\.[0-9]+)*$" OR host MATCHES "^0+(\\.0+)*$"
     OR host MATCHES "^[0:]*:0*1$" OR host MATCHES "^[0:]*:$" OR host MATCHES "^::ffff:127\\.")
    set(loopback TRUE)
  endif()
  set(${out} ${loopback} PARENT_SCOPE)
endfunction()

if(QUORRIN_RELEASE)
  set(missing)
  foreach(name ${quorrin_deployment_values} QUORRIN_CONFIG_KEY)
    if("${${name}}" STREQUAL "")
      list(APPEND missing ${name})
    endif()
  endforeach()
  if(missing)
    list(JOIN missing ", " missing)
    message(FATAL_ERROR "A release build (QUORRIN_RELEASE) needs every deployment value given "
      "explicitly; missing: ${missing}.\n${quorrin_deployment_example}")
  endif()
endif()

foreach(name ${quorrin_deployment_values})
  quorrin_check_literal(${name} "${${name}}")
endforeach()
quorrin_check_host(QUORRIN_CONFIG_HOST "${QUORRIN_CONFIG_HOST}")
quorrin_check_host(QUORRIN_CLOUD_DOMAIN "${QUORRIN_CLOUD_DOMAIN}")
quorrin_check_url(QUORRIN_CLOUD_HOME "${QUORRIN_CLOUD_HOME}")
quorrin_check_url(QUORRIN_WEBSITE "${QUORRIN_WEBSITE}")
string(LENGTH "${QUORRIN_CONFIG_KEY}" quorrin_key_length)
if(NOT QUORRIN_CONFIG_KEY STREQUAL ""
   AND (NOT QUORRIN_CONFIG_KEY MATCHES "^[0-9A-Fa-f]*$" OR NOT quorrin_key_length EQUAL 64))
  quorrin_fail(QUORRIN_CONFIG_KEY "${QUORRIN_CONFIG_KEY}" "is not 64 hex digits, an Ed25519 public key")
endif()

if(QUORRIN_RELEASE)
  foreach(name ${quorrin_deployment_values})
    quorrin_host_of(host "${${name}}")
    quorrin_is_loopback(loopback "${host}")
    if(loopback)
      quorrin_fail(${name} "${${name}}" "names this machine (${host}); a release must point at the real servers")
    endif()
  endforeach()
endif()
