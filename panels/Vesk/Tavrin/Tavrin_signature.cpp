// The library's signature record and its version record: plain texts in initialised
// data, read by tools that inspect the binary (kest-host --version reads the version
// record of a library that has no version resource), never by code. They must survive
// every build type, so they are marked as used and, on MSVC, pinned for the linker.

#if defined(_MSC_VER)
#define TAVRIN_KEEP
#if defined(_M_IX86)
#pragma comment(linker, "/include:_tavrin_signature_record")
#pragma comment(linker, "/include:_tavrin_version_record")
#else
#pragma comment(linker, "/include:tavrin_signature_record")
#pragma comment(linker, "/include:tavrin_version_record")
#endif
#else
#define TAVRIN_KEEP __attribute__((used))
#endif

#ifndef TAVRIN_BUILD_VERSION
#error "the build passes the plug-in's version as TAVRIN_BUILD_VERSION"
#endif

extern "C" {
// Not const, so that it lands in writable initialised data and no optimiser folds it.
TAVRIN_KEEP char tavrin_signature_record[] =
    "KEST_SIG,name=kest_script_helper,type=LIB,version=4.8.6.0,date=16/06/2017,author=Vesk";
// The marker, then the version the build was made as (the project's version, the one
// the Windows version resource carries too).
TAVRIN_KEEP char tavrin_version_record[] = "KESTVER:" TAVRIN_BUILD_VERSION;
}
