// Text like the game's own (every code, arguments that look like structure, accented letters):
// every reader finds the same boxes and message ends, the script gives it back byte for byte,
// check finds nothing in it, and an edit of one box changes that message only.
#include "script.h"
#include "assets.h"
#include "encoding.h"
#include "text_measure.h"
#include "text_render.h"
#include "testdata.h"
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Buf;

static const GameLanguage LANGUAGES[3] = { GAME_ENGLISH, GAME_GERMAN, GAME_FRENCH };

static void TakeGenerated(MessageStore& store, GameLanguage language, Buf& table, Buf& data)
{
    GenerateGameLikePair(1, language, table, data);
    ASSERT_TRUE(TakeMessagePair(store, table.data(), (uint32_t)table.size(), data.data(), (uint32_t)data.size()));
}

// Where a message's boxes end, walked element by element with the code table.
struct MessageShape
{
    std::vector<uint32_t> BoxStarts;  // offsets from the message start, as the box scan gives them
    std::vector<uint32_t> BoxEnds;    // the box's ending element (0x04, 0x0C or the end code)
    std::vector<uint32_t> Lines;      // lines of each box
    uint32_t End = 0;                 // offset of the end code
};

static MessageShape ShapeOf(const uint8_t* data, uint32_t size, uint32_t offset)
{
    MessageShape s;
    s.BoxStarts.push_back(0);
    uint32_t lines = 1;
    for (uint32_t p = offset; p < size; p += ElementLength(data, p, size))
    {
        uint8_t b = data[p];
        if (b == CC_LINE_BREAK) lines++;
        if (b == CC_BOX_BREAK || b == CC_BOX_BREAK_ALT || b == CC_END)
        {
            s.BoxEnds.push_back(p - offset);
            s.Lines.push_back(lines);
            lines = 1;
            if (b == CC_END) return s.End = p - offset, s;
            s.BoxStarts.push_back(p + ElementLength(data, p, size) - offset);
        }
    }
    ADD_FAILURE() << "the message at " << offset << " has no end";
    return s;
}

// ---- Every reader agrees ----
class GameTextRender : public ::testing::Test
{
protected:
    RenderState Render;
    SDL_Surface* Icons = nullptr;
    SDL_Surface* Canvas[2] = {};
    void SetUp() override
    {
        Icons = DecodeEmbeddedImage(IMAGE_ICON_STRIP);
        ASSERT_TRUE(Icons && InitRenderer(Render, Icons));
        for (SDL_Surface*& c : Canvas) c = SDL_CreateRGBSurface(SDL_SWSURFACE, 400, 340, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    }
    void TearDown() override
    {
        for (SDL_Surface* c : Canvas) SDL_FreeSurface(c);
        ShutdownRenderer(Render);
        SDL_FreeSurface(Icons);
    }
    // The preview of the store's EditBuffer onto canvas k; true when it equals the other canvas.
    bool Draw(MessageStore& store, int k)
    {
        SDL_FillRect(Canvas[k], NULL, 0);
        SDL_Rect at = { 81, 202, 0, 0 };
        DrawEncodedText(Render, store, at, 0, Canvas[k], PREVIEW, store.EditBuffer, false);
        return !memcmp(Canvas[0]->pixels, Canvas[1]->pixels, (size_t)Canvas[0]->pitch * Canvas[0]->h);
    }
};

// Counts the places where one reader disagrees with the code table, and names the first.
struct Disagreement
{
    uint32_t Count = 0;
    std::string First;
    void Note(bool agrees, uint32_t entry, uint32_t box)
    {
        if (agrees) return;
        if (Count++ == 0) First = "entry " + std::to_string(entry) + " box " + std::to_string(box);
    }
};

TEST_F(GameTextRender, ScanCopyRendererAndMeasureAgreeOnEveryEnd)
{
    for (GameLanguage language : LANGUAGES)
    {
        MessageStore store;
        Buf table, data;
        TakeGenerated(store, language, table, data);
        store.BoxLoaded = true;
        const uint32_t entries = (uint32_t)table.size() / ENTRY_SIZE;
        Disagreement scan, copy, measure, marker, early, late;
        for (uint32_t e = 0; e < entries; e++)
        {
            uint32_t offset = TableOffset(table, e * ENTRY_SIZE);
            MessageShape shape = ShapeOf(data.data(), (uint32_t)data.size(), offset);
            store.CurrentTextOffset = offset;
            ScanBoxStarts(store, offset);
            scan.Note(store.BoxStarts == shape.BoxStarts && store.MessageEnd == offset + shape.End, e, 0);
            store.BoxStarts = shape.BoxStarts; // the other readers from the right starts
            store.LastBox = (uint32_t)shape.BoxStarts.size() - 1;
            for (uint32_t box = 0; box < shape.BoxStarts.size(); box++)
            {
                // The copy runs on over a box break with delay to the next 0x04 or end code.
                uint32_t copyEnd = box;
                while (data[offset + shape.BoxEnds[copyEnd]] == CC_BOX_BREAK_ALT) copyEnd++;
                uint32_t copyLength = shape.BoxEnds[copyEnd] + 1 - shape.BoxStarts[box];
                uint32_t stop = shape.BoxEnds[box] - shape.BoxStarts[box];
                store.CurrentBox = box;
                LoadBox(store);
                copy.Note(EditTextLength(store) == copyLength &&
                          !memcmp(store.EditBuffer, &data[offset + shape.BoxStarts[box]], copyLength), e, box);
                if (EditTextLength(store) != copyLength) continue;
                BoxMeasure m = MeasureBoxText(store.EditBuffer, copyLength, (BoxType)EntryBoxType(&table[e * 8]), nullptr, 0);
                measure.Note(m.LineCount == shape.Lines[box], e, box);
                if (e % 8 != 0) continue; // the picture of every eighth message
                // The preview reaches the box's ending element (the cursor mark is drawn there),
                // names it by its end marker and draws nothing of the bytes after it.
                store.Cursor = 5000;
                Draw(store, 0);
                marker.Note(Render.EndMarkerCell == (data[offset + shape.BoxEnds[box]] == CC_END ? 32 : 0), e, box);
                store.Cursor = stop;
                early.Note(stop == 0 || !Draw(store, 1), e, box);
                store.Cursor = 5000;
                uint32_t after = stop + ElementLength(store.EditBuffer, stop, copyLength);
                if (after < copyLength) memset(store.EditBuffer + after, 'W', copyLength - 1 - after);
                late.Note(Draw(store, 1), e, box);
            }
        }
        EXPECT_EQ(scan.Count, 0u) << "box scan, first at " << scan.First;
        EXPECT_EQ(copy.Count, 0u) << "copy into the edit buffer, first at " << copy.First;
        EXPECT_EQ(measure.Count, 0u) << "line count of the measure, first at " << measure.First;
        EXPECT_EQ(marker.Count, 0u) << "end marker of the preview, first at " << marker.First;
        EXPECT_EQ(early.Count, 0u) << "preview stops before the box's end, first at " << early.First;
        EXPECT_EQ(late.Count, 0u) << "preview draws past the box's end, first at " << late.First;

    }
}

// ---- The script and check ----
TEST(GameText, ExportImportIsExactAndCheckFindsNothing)
{
    for (GameLanguage language : LANGUAGES)
        for (uint32_t seed = 1; seed <= 3; seed++)
        {
            Buf table, data;
            GenerateGameLikePair(seed, language, table, data);
            MessageStore store;
            ASSERT_TRUE(TakeMessagePair(store, table.data(), (uint32_t)table.size(), data.data(), (uint32_t)data.size()));
            std::string script, report;
            std::vector<std::string> notes;
            ExportScript(store, script, notes);
            ScriptPair pair;
            ParseScript((const uint8_t*)script.data(), script.size(), "m.txt", pair);
            EXPECT_TRUE(notes.empty()) << notes[0];
            ASSERT_TRUE(pair.Errors.empty()) << pair.Errors[0];
            EXPECT_TRUE(pair.Table == table && pair.Data == data) << language << " " << seed;
            // Every code by its name: a hex tag only for the padding after the last message.
            size_t hex = script.find("{0x");
            EXPECT_TRUE(hex == std::string::npos || hex == script.rfind("{end}{0x00") + 5);
            // The message ending 07 xx 13 02 is one message with its own text.
            char header[8];
            snprintf(header, sizeof(header), "\n@%02X%02X", table[7 * ENTRY_SIZE], table[7 * ENTRY_SIZE + 1]);
            size_t end = script.find("{end}", script.find(header));
            EXPECT_TRUE(script.compare(end - 11, 6, "{goto ") == 0 && script.compare(end - 3, 3, "13}") == 0);
            EXPECT_EQ(CheckMessages(store, true, report), 0u) << report.substr(0, 2000);
        }
}

// ---- Edits ----
// Typing into one box, then committing it, changes that message and no byte of any other.
TEST(GameText, AnEditOfOneBoxChangesOnlyThatMessage)
{
    for (GameLanguage language : LANGUAGES)
    {
        MessageStore store;
        Buf table, data;
        TakeGenerated(store, language, table, data);
        const uint32_t entries = (uint32_t)table.size() / ENTRY_SIZE;
        uint32_t edits = 0;
        for (uint32_t e = 0; e < entries && edits < 30; e += 1 + e % 61)
        {
            const uint8_t* before = store.MessageData.data();
            std::vector<Buf> messages(entries);
            for (uint32_t k = 0; k < entries; k++)
            {
                uint32_t offset = ReadTextOffset(store, k * ENTRY_SIZE);
                messages[k].assign(before + offset, before + offset + ShapeOf(before, store.MessageDataSize, offset).End + 1);
            }
            MessageShape shape = ShapeOf(before, store.MessageDataSize, ReadTextOffset(store, e * ENTRY_SIZE));
            uint32_t box = e % shape.BoxStarts.size();
            SelectEntry(store, e * ENTRY_SIZE);
            RefreshBox(store, false);
            store.CurrentBox = box;
            store.ReloadPending = 1;
            RefreshBox(store, false);
            // Typed just before the box's terminator (the copy's last element).
            uint32_t at = EditTextLength(store) - 1;
            store.Cursor = at;
            TypeByte(store, 'X');
            store.ReloadPending = 1;
            RefreshBox(store, false);
            Buf expected = messages[e];
            ASSERT_LT(shape.BoxStarts[box] + at, expected.size()) << "the copy of entry " << e << " box " << box << " runs past its message";
            expected.insert(expected.begin() + shape.BoxStarts[box] + at, 'X');
            for (uint32_t k = 0; k < entries; k++)
            {
                uint32_t offset = ReadTextOffset(store, k * ENTRY_SIZE);
                const uint8_t* now = store.MessageData.data() + offset;
                const Buf& want = k == e ? expected : messages[k];
                ASSERT_TRUE(offset + want.size() <= store.MessageDataSize && !memcmp(now, want.data(), want.size()))
                    << "entry " << k << " after an edit of entry " << e << " box " << box;
            }
            edits++;
        }
        EXPECT_EQ(edits, 30u);
    }
}
