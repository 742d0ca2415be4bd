// SearchMessages: case folding, the 18 start positions, codes passed over, ends of messages.
#include "store_fixture.h"

#include <cstring>

struct SearchTest : StoreTest
{
    SearchState Search;

    std::vector<uint32_t> Find(const char* text)
    {
        memset(Search.SearchText, 0, sizeof(Search.SearchText));
        strncpy((char*)Search.SearchText, text, SEARCH_MAX_LENGTH);
        Search.SearchLength = (uint8_t)strlen((const char*)Search.SearchText);
        SearchMessages(Store, Search);
        EXPECT_EQ(Search.SearchResultCount, Search.SearchResults.size());
        return Search.SearchResults;
    }
};

using Found = std::vector<uint32_t>;

TEST_F(SearchTest, FindsAnyCaseNearTheStartAndUpperCasesTheText)
{
    LoadMessages({ Bytes("HELLO there") + Text{ CC_END }, Bytes("Oh, Hello") + Text{ CC_END },
                   Bytes("say hello") + Text{ CC_END }, Bytes("goodbye") + Text{ CC_END } });
    EXPECT_EQ(Find("hello"), (Found{ 0, 8, 16 }));
    EXPECT_STREQ((const char*)Search.SearchText, "HELLO");
}

TEST_F(SearchTest, OnlyTheFirstEighteenStartPositionsCount)
{
    LoadMessages({ Text(17, '.') + Bytes("HELLO") + Text{ CC_END }, Text(18, '.') + Bytes("HELLO") + Text{ CC_END } });
    EXPECT_EQ(Find("hello"), (Found{ 0 }));
}

TEST_F(SearchTest, LineBreakMatchesABlankButABoxBreakSplits)
{
    LoadMessages({ Bytes("GOOD") + Text{ CC_LINE_BREAK } + Bytes("DAY") + Text{ CC_END },
                   Bytes("GOOD") + Text{ CC_BOX_BREAK } + Bytes(" DAY") + Text{ CC_END } });
    EXPECT_EQ(Find("good day"), (Found{ 0 }));
}

TEST_F(SearchTest, FoldingRuleForGraveAndUnderscore)
{
    LoadMessages({ Bytes("a`b_cd") + Text{ CC_END }, Text{ 'A', 0x80, 'B', 0x7F, 'C', 'D', CC_END },
                   Bytes("A'B-CD") + Text{ CC_END } });
    EXPECT_EQ(Find("a`b_cd"), (Found{ 0, 8 }));
}

TEST_F(SearchTest, ColourShiftAndPassCodesUseNoSearchCharacter)
{
    LoadMessages({ Bytes("He") + Text{ CC_COLOR, 0x41 } + Bytes("llo") + Text{ CC_END },
                   Bytes("Hel") + Text{ CC_SHIFT, CC_END } + Bytes("lo") + Text{ CC_END },
                   Bytes("H") + Text{ CC_PASS_08 } + Bytes("ell") + Text{ CC_PASS_09 } + Bytes("o") + Text{ CC_END },
                   Bytes("Hel") + Text{ CC_PASS_15 } + Bytes("lo") + Text{ CC_END } });
    EXPECT_EQ(Find("HELLO"), (Found{ 0, 8, 16 }));
}

TEST_F(SearchTest, ArgumentBytesAreNeverCompared)
{
    // A speed of 'H' and a message ID "HE" would spell the text from an argument byte on.
    LoadMessages({ Text{ CC_SPEED, 'H' } + Bytes("ELLO") + Text{ CC_END },
                   Bytes("X") + Text{ CC_NEXT_MESSAGE, 'H', 'E' } + Bytes("LLO") + Text{ CC_END },
                   Text{ CC_SPEED, 2 } + Bytes("HELLO") + Text{ CC_END } });
    EXPECT_EQ(Find("hello"), (Found{ 16 }));
}

TEST_F(SearchTest, ACodeBeforeTheEndDoesNotCarryTheWalkIntoTheNextMessage)
{
    LoadMessages({ Bytes("Hell") + Text{ CC_COLOR, 0x41, CC_END }, Bytes("o there") + Text{ CC_END } });
    EXPECT_EQ(Find("hello"), Found{});
}

TEST_F(SearchTest, FailingOnTheEndStopsTheEntry)
{
    // HELLO of the next message lies within 18 bytes of the first one's offset.
    LoadMessages({ Bytes("ab") + Text{ CC_END }, Bytes("HELLO") + Text{ CC_END } });
    EXPECT_EQ(Find("hello"), (Found{ 8 }));
}

TEST_F(SearchTest, WalkStopsAtTheEndOfTheData)
{
    Table = { 0x10, 0, 0, 0, 7, 0, 0, 0 };
    Data = Bytes("xHELL");
    LoadPair();
    // Bytes past the data are not text, whatever they hold.
    Store.MessageData[Store.MessageDataSize] = 'O';
    EXPECT_EQ(Find("hello"), Found{});
}

TEST_F(SearchTest, AllResultsAreKept)
{
    std::vector<Text> messages(300, Bytes("Hello friend") + Text{ CC_END });
    messages[150] = Bytes("Goodbye") + Text{ CC_END };
    LoadMessages(messages);
    Found found = Find("hello");
    ASSERT_EQ(found.size(), 299u);
    EXPECT_EQ(found[149], 149u * 8);
    EXPECT_EQ(found[150], 151u * 8);
    EXPECT_EQ(found.back(), 299u * 8);
}

TEST_F(SearchTest, EmptyTextMatchesEveryEntryAndResetRestoresThePlaceholder)
{
    LoadMessages({ Bytes("a") + Text{ CC_END }, Bytes("b") + Text{ CC_END } });
    EXPECT_EQ(Find(""), (Found{ 0, 8 }));
    ResetSearch(Search);
    EXPECT_STREQ((const char*)Search.SearchText, "Text to search for.");
    EXPECT_EQ(Search.SearchLength, 0);
    EXPECT_EQ(Search.SearchResultCount, 0u);
    EXPECT_TRUE(Search.SearchResults.empty());
}
