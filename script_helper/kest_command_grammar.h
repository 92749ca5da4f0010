// The command texts a panel sends, as one table that both sides use: the plug-in
// builds its commands from the templates below, and a host parses what it receives
// against the argument forms.
//
// Argument forms, one letter per argument in order:
//   N  a number: [ "-" ] 1*DIGIT, plain decimal
//   T  a quoted text: "'" *( any character but NUL ) "'"; nothing is escaped, so a
//      text ends at the first "'" that is followed by a space or the end of the line
//   A  the literal 'ADD'
// An argument in [ ] may be left out, but only at the end.
//
//   code  form         template (how the plug-in builds it)
//   PS    T T [T]      concatenation
//   TP    T T T        concatenation; first field is property "=" value
//   CH    T T          concatenation
//   RC    N N N T N    "RC %1 %2 %3 ',%4' %5"; the text field starts with ","
//   RR    N N N [A]    "RR %d %d %d" / "RR %d %d %d 'ADD'"   (likewise IR, GR)
//   RP    N N N        "RP %d %d %d"                          (likewise IP, GP)
//   RU    N            "RU %d"                                (likewise IU, GU)
//   ET    N [N]        "ET %d %d" / "ET %d"
//   SD    T            "SD '%1'"                 query: reply "device offset ..."
//   RN    N N N        "RN %1 %2 %3"             query: reply is the name
//   XI    T T          "XI '%1' '%2'"            query: reply "id,id,..."
//   TG    T T T        concatenation             query: reply "property=value"
//   AS                 fixed text
#pragma once

#include <cstddef>
#include <limits>

namespace kest_command {

struct form {
    const char* code;
    const char* arguments;  // the argument letters above, optional ones in [ ]
    bool query;             // the host answers with a reply string
};

inline constexpr form kForms[] = {
    {"PS", "TT[T]", false}, {"TP", "TTT", false},    {"CH", "TT", false},
    {"RC", "NNNTN", false}, {"RR", "NNN[A]", false}, {"RP", "NNN", false},
    {"RU", "N", false},     {"IR", "NNN[A]", false}, {"IP", "NNN", false},
    {"IU", "N", false},     {"GR", "NNN[A]", false}, {"GP", "NNN", false},
    {"GU", "N", false},     {"ET", "N[N]", false},   {"SD", "T", true},
    {"RN", "NNN", true},    {"XI", "TT", true},      {"TG", "TTT", true},
    {"AS", "", false},
};

// Templates of the printf-style commands.
inline constexpr const char kRouterRegister[] = "RR %d %d %d";
inline constexpr const char kRouterRegisterAdd[] = "RR %d %d %d 'ADD'";
inline constexpr const char kRouterPoll[] = "RP %d %d %d";
inline constexpr const char kRouterUnregister[] = "RU %d";
inline constexpr const char kInfodriverRegister[] = "IR %d %d %d";
inline constexpr const char kInfodriverRegisterAdd[] = "IR %d %d %d 'ADD'";
inline constexpr const char kInfodriverPoll[] = "IP %d %d %d";
inline constexpr const char kInfodriverUnregister[] = "IU %d";
inline constexpr const char kGpiRegister[] = "GR %d %d %d";
inline constexpr const char kGpiRegisterAdd[] = "GR %d %d %d 'ADD'";
inline constexpr const char kGpiPoll[] = "GP %d %d %d";
inline constexpr const char kGpiUnregister[] = "GU %d";
inline constexpr const char kTimerStart[] = "ET %d %d";
inline constexpr const char kTimerStop[] = "ET %d";

// Templates of the marker-substituted texts.
inline constexpr const char kRouterCrosspoint[] = "RC %1 %2 %3 ',%4' %5";
inline constexpr const char kDeviceLookup[] = "SD '%1'";
inline constexpr const char kRouterName[] = "RN %1 %2 %3";
inline constexpr const char kControlIdList[] = "XI '%1' '%2'";

inline constexpr const char kSessionEnd[] = "AS";

// Room for the longest printf-style text: the register form with three numbers of
// the widest 32-bit value, "-2147483648" (digits10 + 2 = 11 characters each).
inline constexpr std::size_t kNumberWidth = std::numeric_limits<int>::digits10 + 2;
inline constexpr std::size_t kPrintfBufferSize =
    sizeof(kRouterRegisterAdd) - 3 * (sizeof("%d") - 1) + 3 * kNumberWidth;
static_assert(kPrintfBufferSize == 45, "RR -2147483648 -2147483648 -2147483648 'ADD' + NUL");

}  // namespace kest_command
