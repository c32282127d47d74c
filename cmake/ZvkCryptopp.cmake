# Crypto++ as the target zvk_cryptopp. On Linux it is Debian's library. For Windows it is built here
# from Debian's source package (scripts/zvk unpacks it and names the folder in ZVK_CRYPTOPP_SOURCE_DIR),
# and only from the sources that AES in CFB mode, hex decoding, Whirlpool and SHA-512 need.
if(NOT WIN32)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(CRYPTOPP REQUIRED IMPORTED_TARGET libcrypto++)
    add_library(zvk_cryptopp INTERFACE)
    target_link_libraries(zvk_cryptopp INTERFACE PkgConfig::CRYPTOPP)
    return()
endif()

set(ZVK_CRYPTOPP_SOURCE_DIR "" CACHE PATH "Unpacked Crypto++ source package (Debian's libcrypto++)")
if(NOT EXISTS "${ZVK_CRYPTOPP_SOURCE_DIR}/cryptlib.h")
    message(FATAL_ERROR "ZVK_CRYPTOPP_SOURCE_DIR must name the unpacked Crypto++ sources "
                        "(scripts/zvk test fetches them with apt-get source libcrypto++)")
endif()

set(zvk_cryptopp_units
    algebra algparam allocate asn basecode cpu cryptlib filters fips140 hex hmac integer iterhash misc
    modes mqueue nbtheory pubkey queue rdtables osrng rijndael rng sha simple whrlpool)
list(TRANSFORM zvk_cryptopp_units PREPEND "${ZVK_CRYPTOPP_SOURCE_DIR}/")
list(TRANSFORM zvk_cryptopp_units APPEND ".cpp")
add_library(zvk_cryptopp STATIC ${zvk_cryptopp_units})

# The sources include each other by plain name, the project by <cryptopp/...>: a folder whose
# cryptopp entry is the source folder serves both.
set(include_root "${CMAKE_CURRENT_BINARY_DIR}/cryptopp_include")
file(MAKE_DIRECTORY "${include_root}")
file(CREATE_LINK "${ZVK_CRYPTOPP_SOURCE_DIR}" "${include_root}/cryptopp" SYMBOLIC)
target_include_directories(zvk_cryptopp SYSTEM PUBLIC "${include_root}")
# The portable C++ code paths (no SIMD units needed), and every template instantiated where it is
# used: a static build has no dll.cpp to instantiate them once.
target_compile_definitions(zvk_cryptopp PUBLIC CRYPTOPP_DISABLE_ASM CRYPTOPP_MANUALLY_INSTANTIATE_TEMPLATES
                                        PRIVATE NDEBUG)
target_compile_options(zvk_cryptopp PRIVATE -O2 -w)
