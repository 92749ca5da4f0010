// A tape of one run: every call between kest-host and the plug-in, in order, so
// that another host can play the same run into another build of the plug-in and
// compare what it sends. kest-host writes one when the environment variable
// KEST_TAPE names a file (appended to, one panel after another).
//
// One line a call; texts are hex-encoded bytes, "-" for a null pointer:
//   panel <dir>                      load_kest_client_script(host, dir)
//   made 0|1                         ... returned null or a panel
//   event <type> ...                 callback(data, type); the record as below
//     1|6 - | <device> <database> <index> <value> <text: every byte of the array>
//     2 - | <id> <request: name> <value> <hasValue> <count> <part>...
//     3 <text>                       parent request
//     5 <answer number>|-|?          release of the n-th answer (0 based)
//     other <data>                   the number itself
//   answer <text>                    what callback returned
//   command <code> <text> n <result> a command and the host's number
//   command <code> <text> r <reply>  a query and the host's reply text
//   release <reply number>|-|?       the plug-in hands back the n-th reply
//   delete                           the host deletes the panel
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "kest_interfaces.h"

namespace kest_host {

class tape_recorder {
  public:
    // The recorder KEST_TAPE asks for, or null.
    static std::unique_ptr<tape_recorder> from_environment();
    explicit tape_recorder(std::FILE* file);
    ~tape_recorder();
    tape_recorder(const tape_recorder&) = delete;
    tape_recorder& operator=(const tape_recorder&) = delete;

    // The host object to give the plug-in: records each command, then passes it on.
    kest_host_callback* host(kest_host_callback* inner);
    // Wraps the panel the plug-in made: records each event and the deletion.
    kest_client_callback* client(kest_client_callback* inner);

    void panel(const char* dir);
    void made(bool made);

  private:
    class tape_host;
    class tape_client;

    void line(const std::string& text);
    void event(intptr_t data, int32_t type);
    void answer(const char* text);
    void command(const char* text, int32_t code, intptr_t result);

    std::FILE* file_;
    std::unique_ptr<tape_host> host_;
    std::map<const void*, int> replies_;  // outstanding replies, by pointer
    std::map<const void*, int> answers_;  // answers not yet released, by pointer
    int reply_count_ = 0;
    int answer_count_ = 0;
};

}  // namespace kest_host
