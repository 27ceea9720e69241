// The menu table: the printed menu, the keys it accepts and the line each key press consumes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

#include "menu.h"

namespace {

std::string printed_menu() {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    print_menu(out);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

TEST(Menu, PrintsTheMenuByteForByte) {
    const std::string expected =
        "\t-------------------  MOTIFS ENCODING  -------------------\n"
        "\tActive Motifs(Discover)...............................[a]\n"
        "\tN-Grams...............................................[b]\n"
        "\tDiscriminant Descriptors(DisClass)....................[c]\n"
        "\tDiscriminant Descriptors with Substtution Matrix......[d]\n"
        "\t \n\n"
        "\t-------------------  BINARY ENCODING  -------------------\n"
        "\tAldane................................................[e]\n"
        "\tBrevik................................................[f]\n"
        "\tCorvel................................................[g]\n"
        "\tDunmore...............................................[h]\n\n\n"
        "\t---------------------------------------------------------\n"
        "\tExit..................................................[q]\n\n"
        "\tEnter your choice: ";
    EXPECT_EQ(printed_menu(), expected);
}

TEST(Menu, OnlyTheNineLowerCaseKeysAreChoices) {
    for (int key : std::string("abcdefghq")) EXPECT_NE(find_menu_entry(key), nullptr) << char(key);
    for (int key : std::initializer_list<int>{'A', 'Q', 'i', 'z', '0', '1', '\n', '\r', ' ', 0, 0xE9, EOF})
        EXPECT_EQ(find_menu_entry(key), nullptr) << key;
}

TEST(Menu, KeysSelectTheirExportAndScheme) {
    EXPECT_STREQ(find_menu_entry('a')->export_name, "mainDiscover");
    EXPECT_STREQ(find_menu_entry('b')->export_name, "mainNGrams");
    EXPECT_STREQ(find_menu_entry('c')->export_name, "mainDisClass");
    EXPECT_STREQ(find_menu_entry('d')->export_name, "mainDDMS");
    for (char key : std::string("abcd")) EXPECT_EQ(find_menu_entry(key)->scheme, 0);
    int scheme = 1;
    for (char key : std::string("efgh")) {
        EXPECT_STREQ(find_menu_entry(key)->export_name, "mainBinCod");
        EXPECT_EQ(find_menu_entry(key)->scheme, scheme++);
    }
    EXPECT_EQ(find_menu_entry('q')->export_name, nullptr);
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
