#include "platform/core/string_list.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace platform {
namespace {

TEST(StringList, IndexesOutsideTheListAreRangeErrors) {
    StringList list;
    list.Add("a");
    list.Add("b");
    const std::string range = "Erreur de vérification d'étendue";
    for (const int index : {-1, 2}) {
        EXPECT_EQ(testing_support::ErrorText([&] { (void)list[index]; }), range) << index;
        EXPECT_EQ(testing_support::ErrorText([&] { list.Delete(index); }), range) << index;
    }
    list.Delete(0);
    EXPECT_EQ(list.Items(), std::vector<std::string>{"b"});
}

TEST(StringList, SortsPictureEntriesByPathIgnoringCaseAndAccents) {
    // Entries as the slideshow keeps them: the path, "|", the path again.
    const auto entries = [](std::initializer_list<const char*> paths) {
        std::vector<std::string> items;
        for (const char* path : paths) items.push_back(std::string(path) + "|" + path);
        return items;
    };
    StringList list;
    for (const std::string& item : entries({"/p/Zoé.jpg", "/p/b/a.jpg", "/p/été.JPG", "/p/Ete.jpg",
                                            "/p/A.jpg", "/p/a.jpg", "/p/éa.gif"})) {
        list.Add(item);
    }
    list.Sort();
    EXPECT_EQ(list.Items(), entries({"/p/A.jpg", "/p/a.jpg", "/p/b/a.jpg", "/p/éa.gif",
                                     "/p/Ete.jpg", "/p/été.JPG", "/p/Zoé.jpg"}));
    EXPECT_EQ(list.IndexOf("/P/ÉTÉ.jpg|/p/été.jpg"), 5);
    EXPECT_EQ(list.IndexOf("/p/ete.jpg|/p/ete.jpg"), 4);
    EXPECT_EQ(list.IndexOf("/p/c.jpg|/p/c.jpg"), -1);
}

}  // namespace
}  // namespace platform
