// The library's signature record: one plain text line in initialised data, read by
// tools that inspect the binary, never by code. It must survive every build type, so
// it is marked as used and, on MSVC, pinned for the linker.

#if defined(_MSC_VER)
#define TAVRIN_KEEP
#if defined(_M_IX86)
#pragma comment(linker, "/include:_tavrin_signature_record")
#else
#pragma comment(linker, "/include:tavrin_signature_record")
#endif
#else
#define TAVRIN_KEEP __attribute__((used))
#endif

extern "C" {
// Not const, so that it lands in writable initialised data and no optimiser folds it.
TAVRIN_KEEP char tavrin_signature_record[] =
    "KEST_SIG,name=kest_script_helper,type=LIB,version=4.8.6.0,date=16/06/2017,author=Vesk";
}
