// The built plug-in as a file: what it exports, what it carries, what lies beside it.
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "tavrin_fixture.h"

#include <gmock/gmock.h>

namespace tavrin_test {
namespace {

std::string readFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(tavrin_library, carries_its_signature_line) {
    const std::string image = readFile(KEST_TAVRIN_PATH);
    ASSERT_FALSE(image.empty());
    const std::string line =
        std::string("KEST_SIG,") +
        "name=kest_script_helper,type=LIB,version=4.8.6.0,date=16/06/2017,author=Vesk";
    const std::size_t at = image.find(line);
    ASSERT_NE(at, std::string::npos);
    // One plain, NUL-terminated line.
    ASSERT_LT(at + line.size(), image.size());
    EXPECT_EQ(image[at + line.size()], '\0');
}

TEST(tavrin_library, exports_the_factory_and_nothing_of_its_own) {
    ASSERT_TRUE(library().loaded()) << library().error();
    EXPECT_NE(library().symbol("load_kest_client_script"), nullptr);
    for (const char* hidden : {"tavrin_signature_record",
                               // Tavrin::Tavrin(kest_host_callback*, char const*)
                               "_ZN6TavrinC1EP18kest_host_callbackPKc",
                               // kest_script_helper::textPut(...)
                               "_ZN18kest_script_helper7textPutERK11kest_stringS2_S2_S2_"}) {
        EXPECT_EQ(library().symbol(hidden), nullptr) << hidden;
    }
}

// The ids that the layout beside the plug-in declares.
std::set<std::string> layoutIds() {
    std::ifstream in(pluginDir() + "/LD_Auto.kest_ui");
    std::set<std::string> ids;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id;
        if (fields >> id && id[0] != '#') {
            ids.insert(id);
        }
    }
    return ids;
}

// The control a TP or CH command names: its last quoted field.
std::string controlOf(const std::string& command) {
    const std::size_t open = command.rfind(" '");
    return command.substr(open + 2, command.size() - open - 3);
}

TEST_F(panel_test, every_control_the_panel_writes_is_in_the_layout_beside_it) {
    const std::set<std::string> ids = layoutIds();
    ASSERT_FALSE(ids.empty()) << "no LD_Auto.kest_ui in " << pluginDir();

    scriptDevices();
    start();
    for (int32_t index = 61; index <= 69; ++index) {
        slot(index, std::to_string(index + 40));
    }
    routerReports(100);
    input(1, 1);
    routerReports(101);
    input(1, 0);
    databaseChange(kRouter, 0, 101, "Cam");
    databaseChange(kRouter, 1, 5, "Monitor");
    std::set<std::string> written;
    for (const std::string& command : host.commands()) {
        if (command.compare(0, 3, "TP ") == 0 || command.compare(0, 3, "CH ") == 0) {
            written.insert(controlOf(command));
        }
    }
    // Every control: labels, eight buttons with source and name, monitor, current.
    EXPECT_EQ(written.size(), 4u + 3u * 8u + 4u + 2u);
    for (const std::string& control : written) {
        EXPECT_EQ(ids.count(control), 1u) << control;
    }
}

}  // namespace
}  // namespace tavrin_test
