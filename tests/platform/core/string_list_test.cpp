#include "platform/core/string_list.h"

#include <gtest/gtest.h>

#include "platform/core/error.h"

namespace platform {
namespace {

TEST(StringList, IndexesOutsideTheListAreRangeErrors) {
    StringList list;
    list.Add("a");
    list.Add("b");
    EXPECT_EQ(list[1], "b");
    for (const int index : {-1, 2}) {
        try {
            (void)list[index];
            FAIL() << index;
        } catch (const Error& e) {
            EXPECT_EQ(e.Kind(), ErrorKind::Range);
        }
        EXPECT_THROW(list.Delete(index), Error);
    }
    list.Delete(0);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], "b");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_THROW((void)list[0], Error);
}

TEST(StringList, SortsPictureEntriesByPathIgnoringCaseAndAccents) {
    // Entries as the slideshow keeps them: the path, "|", the path again.
    StringList list;
    for (const char* path : {"/p/Zoé.jpg", "/p/b/a.jpg", "/p/été.JPG", "/p/Ete.jpg", "/p/A.jpg",
                             "/p/a.jpg", "/p/éa.gif"}) {
        list.Add(std::string(path) + "|" + path);
    }
    list.Sort();
    const std::vector<std::string> expected{"/p/A.jpg|/p/A.jpg",     "/p/a.jpg|/p/a.jpg",
                                            "/p/b/a.jpg|/p/b/a.jpg", "/p/éa.gif|/p/éa.gif",
                                            "/p/Ete.jpg|/p/Ete.jpg", "/p/été.JPG|/p/été.JPG",
                                            "/p/Zoé.jpg|/p/Zoé.jpg"};
    EXPECT_EQ(list.Items(), expected);
    EXPECT_EQ(list.IndexOf("/P/ÉTÉ.jpg|/p/été.jpg"), 5);
    EXPECT_EQ(list.IndexOf("/p/ete.jpg|/p/ete.jpg"), 4);
    EXPECT_EQ(list.IndexOf("/p/c.jpg|/p/c.jpg"), -1);
}

}  // namespace
}  // namespace platform
