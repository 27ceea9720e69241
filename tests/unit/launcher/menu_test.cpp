// The menu: the keys it accepts, the line each key press consumes, where the library is looked
// for and what a missing export does. (The printed menu is in every end-to-end transcript.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

#include "menu.h"

using namespace launcher;

namespace {

TEST(Menu, OnlyTheNineLowerCaseKeysAreChoices) {
    for (int key : std::string("abcdefghq")) EXPECT_NE(find_menu_entry(key), nullptr) << char(key);
    for (int key : std::initializer_list<int>{'A', 'Q', 'i', 'z', '0', '1', '\n', '\r', ' ', 0, 0xE9, EOF})
        EXPECT_EQ(find_menu_entry(key), nullptr) << key;
}

TEST(Menu, EachKeyPressConsumesOneWholeLine) {
    char text[] = "efg\n\nq";
    std::FILE* in = fmemopen(text, sizeof text - 1, "r");
    EXPECT_EQ(read_menu_key(in), 'e');    // the rest of "efg" is discarded
    EXPECT_EQ(read_menu_key(in), '\n');   // an empty line: no choice
    EXPECT_EQ(read_menu_key(in), 'q');    // a last line without a line end still counts
    EXPECT_EQ(read_menu_key(in), EOF);
    std::fclose(in);
}

TEST(Menu, TheLibraryIsLookedForBesideTheProgram) {
    EXPECT_EQ(library_beside("/opt/tessar/bin/launcher"), "/opt/tessar/bin/libDLL_Tessar.so");
    EXPECT_EQ(library_beside("/launcher"), "/libDLL_Tessar.so");
    EXPECT_EQ(library_beside(""), "libDLL_Tessar.so");
}

TEST(Menu, AnExportMissingFromTheLibraryRunsNothing) {
    // this test program exports none of the method names
    void* self = dlopen(nullptr, RTLD_NOW);
    ASSERT_NE(self, nullptr);
    EXPECT_FALSE(run_menu_entry(self, *find_menu_entry('a')));
    EXPECT_FALSE(run_menu_entry(self, *find_menu_entry('e')));
    EXPECT_FALSE(run_menu_entry(self, *find_menu_entry('q')));
    dlclose(self);
}

}  // namespace
