# Third-party libraries, all static, from the prefix of scripts/deps-build.sh.
find_package(ZLIB REQUIRED)               # before libzip: its config file does not look for zlib itself
find_package(CURL CONFIG REQUIRED)        # Schannel, HTTP and HTTPS only
find_package(libzip CONFIG REQUIRED)
find_package(liblzma CONFIG REQUIRED)

add_library(cryptopp STATIC IMPORTED GLOBAL)
set_target_properties(cryptopp PROPERTIES
  IMPORTED_LOCATION ${DEPS_PREFIX}/lib/libcryptopp.a
  INTERFACE_INCLUDE_DIRECTORIES ${DEPS_PREFIX}/include
  # as the library is built (scripts/deps-build.sh): no parameter is an Integer
  INTERFACE_COMPILE_DEFINITIONS CRYPTOPP_NO_ASSIGN_TO_INTEGER)

# RapidJSON and the Boost header-only parts come from Debian's headers,
# exposed through a folder that holds nothing else of the Linux /usr/include.
add_library(header_only INTERFACE)
target_include_directories(header_only SYSTEM INTERFACE ${DEPS_PREFIX}/sysinc)
target_compile_definitions(header_only INTERFACE
  RAPIDJSON_HAS_STDSTRING=0 BOOST_ALL_NO_LIB)
