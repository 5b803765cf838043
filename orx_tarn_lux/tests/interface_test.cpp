// The shared library exports exactly the functions the header declares.
#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "test_support.h"

namespace {

std::set<std::string> declaredFunctions() {
    std::ifstream header(ORX_TEST_HEADER);
    std::stringstream text;
    text << header.rdbuf();
    const std::string source = text.str();
    const std::regex declaration(R"(TARN_LUX_API\s+TARN_LUX_RETURN_CODE\s+(TARN_LUX_\w+)\s*\()");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(source.begin(), source.end(), declaration); it != std::sregex_iterator(); ++it)
        names.insert((*it)[1]);
    return names;
}

std::set<std::string> exportedSymbols() {
    const std::string command = std::string("nm -D --defined-only '") + ORX_TEST_SHARED_LIBRARY + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::set<std::string> names;
    if (!pipe) return names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name) names.insert(name);
    }
    return names;
}

TEST(Interface, TheLibraryExportsExactlyTheDeclaredFunctions) {
    const std::set<std::string> declared = declaredFunctions();
    const std::set<std::string> exported = exportedSymbols();
    ASSERT_GT(declared.size(), 190u) << "the header could not be read from " << ORX_TEST_HEADER;
    ASSERT_FALSE(exported.empty()) << "nm found no symbols in " << ORX_TEST_SHARED_LIBRARY;
    for (const std::string& name : declared) EXPECT_TRUE(exported.count(name)) << name << " is not exported";
    for (const std::string& name : exported) EXPECT_TRUE(declared.count(name)) << name << " is exported but not declared";
}

}  // namespace
