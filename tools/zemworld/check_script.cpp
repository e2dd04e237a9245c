// game.txt, read line by line with the viewer's own steps, so every record
// is known with the line that made it. What the reader passes over in
// silence (unknown words, lines before the first location, cut names,
// numbers that are not numbers) is reported here.
#include <strings.h>

#include <cstring>

#include "platform/platform.h"
#include "tools/zemworld/check.h"

enum { KeyRem, KeyLocation, KeyCloseup, KeyPanorama, KeyStamp, KeySprite, KeyPda, KeyDoor };


static bool IsNumber(const char* text) {
    const char* p = text;
    if (*p == '+' || *p == '-') p++;
    if (!*p) return false;
    for (; *p; p++)
        if (*p < '0' || *p > '9') return false;
    return true;
}

// A number as the reader takes it: blanks, a sign, digits up to the first
// other character, wrapping in 32 bits.
static int32_t ReaderNumber(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t') p++;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; p++) value = value * 10u + (uint32_t)(*p - '0');
    return (int32_t)(negative ? 0u - value : value);
}

static void UnknownKeyword(CheckContext* c, int32_t line, const std::string& word) {
    if (word.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        CheckError(c, c->script, line,
                   "the file begins with a UTF-8 byte-order mark, which the viewer reads as part of "
                   "the first word; save it without one");
        return;
    }
    std::string best;
    int distance = 1000;
    for (int i = 0; ScriptKeywords[i]; i++) {
        int d = EditDistance(word, ScriptKeywords[i]);
        if (d < distance) {
            distance = d;
            best = ScriptKeywords[i];
        }
    }
    std::string text = "unknown keyword " + Quoted(word) + ": the viewer ignores this line";
    if (distance <= (int)word.size() / 2 + 1)
        text += "; did you mean " + Quoted(best) + "?";
    else
        text += " (comments begin with 'rem')";
    CheckError(c, c->script, line, text);
}

// Numeric arguments: the reader takes the digits up to the first other
// character, and 0 for none.
static void CheckNumbers(CheckContext* c, int32_t line, const ScriptLine& l, int first, int last) {
    for (int i = first; i <= last && i < l.count; i++)
        if (!IsNumber(l.token[i]))
            CheckWarning(c, c->script, line,
                         "argument " + std::to_string(i) + " " + Quoted(l.token[i]) +
                             " is not a whole number; the viewer reads it as " +
                             std::to_string(ReaderNumber(l.token[i])));
}

static void CheckArguments(CheckContext* c, int32_t line, int keyword, const ScriptLine& l) {
    const char* names[] = {"rem", "location", "closeup", "panorama", "stamp", "sprite", "pda", "door"};
    if (keyword == KeyRem) return;
    if (l.count < 2) {
        CheckError(c, c->script, line, Quoted(names[keyword]) + " needs a name after it");
        return;
    }
    if (keyword == KeyStamp || keyword == KeyDoor) {
        if (l.count < 6)
            CheckWarning(c, c->script, line,
                         Quoted(names[keyword]) + " has no full rectangle (x y w h); the missing numbers are 0");
        CheckNumbers(c, line, l, 2, 5);
    }
    if (keyword == KeyDoor) CheckNumbers(c, line, l, 8, 9);
    if (keyword == KeySprite && l.count > 2 && strcasecmp(l.token[2], "on") != 0 &&
        strcasecmp(l.token[2], "off") != 0)
        CheckWarning(c, c->script, line,
                     "sprite state " + Quoted(l.token[2]) + " is neither 'on' nor 'off'; the viewer reads it as off");
}

// Bytes a read of zemReadScriptLine takes of what is left from where it
// starts (next, its first bytes): up to and with the line feed, at most 500
// (the 500th is lost when it is not the line feed).
static size_t LineBytes(const std::vector<uint8_t>& next, size_t left, bool* lost) {
    size_t n = 0;
    while (n < left && n < SCRIPT_LINE_BYTES) {
        if (next[n++] == '\n') break;
    }
    *lost = n == SCRIPT_LINE_BYTES && next[n - 1] != '\n';
    return n;
}

void CheckScript(CheckContext* c) {
    const PackListing* member = FindMember(c, "game.txt");
    if (!member) {
        CheckError(c, "game.txt", 0,
                   "there is no game.txt: the viewer stops at start-up with \"Failed Tesrin\"");
        return;
    }
    c->script = member->name;
    size_t size = (size_t)member->size;
    std::vector<uint8_t> start = MemberBytes(c, *member, 0, 2);
    if (size >= 2 && ((start[0] == 0xFF && start[1] == 0xFE) || (start[0] == 0xFE && start[1] == 0xFF)))
        CheckError(c, c->script, 0,
                   "the file is UTF-16 text; the viewer reads one byte a character: save it as plain "
                   "text (ASCII or UTF-8)");

    AssetFile* file = AssetOpen("game.txt");
    if (!file) return;
    ScriptTarget target;
    zemBeginScript(&c->locations, &target);
    char text[SCRIPT_LINE_BYTES];
    size_t offset = 0;
    int32_t line = 1;
    while (zemReadScriptLine(file, text)) {
        bool lost = false;
        std::vector<uint8_t> next = MemberBytes(c, *member, offset, SCRIPT_LINE_BYTES);
        size_t taken = LineBytes(next, size > offset ? size - offset : 0, &lost);
        int32_t here = line;
        for (size_t i = 0; i < taken; i++) line += next[i] == '\n';
        offset += taken;
        if (lost)
            CheckWarning(c, c->script, here,
                         "the line is longer than 499 characters: the viewer loses the 500th and reads "
                         "the rest as a line of its own");

        ScriptLine l;
        zemSplitScriptLine(text, &l);
        if (l.count == 0) continue;
        int keyword = zemScriptKeyword(l.token[0]);
        if (keyword < 0) {
            UnknownKeyword(c, here, l.token[0]);
            continue;
        }
        // The tokens uncut, to tell which ones the 32-byte fields shorten.
        static char whole[SCRIPT_TOKENS][SCRIPT_LINE_BYTES];
        zemSplitTokens(text, &whole[0][0], SCRIPT_TOKENS, SCRIPT_LINE_BYTES);
        for (int i = 1; i < l.count && keyword != KeyRem; i++)
            if (std::strlen(whole[i]) > SCRIPT_NAME_BYTES - 1)
                CheckWarning(c, c->script, here,
                             Quoted(whole[i]) + " is longer than 31 characters; the viewer cuts it to " +
                                 Quoted(l.token[i]));
        Location* location = target.location;
        if (keyword != KeyRem && keyword != KeyLocation && !location) {
            CheckError(c, c->script, here,
                       Quoted(l.token[0]) + " comes before the first 'location' line; the viewer ignores it");
            continue;
        }
        CheckArguments(c, here, keyword, l);

        Stamp** stampSlot = target.nextStamp;
        SpriteRef** spriteSlot = target.nextSprite;
        Door** doorSlot = target.nextDoor;
        View* view = location ? location->view : nullptr;
        char* pda = location ? location->pdaName : nullptr;
        if (!zemApplyScriptLine(&l, &target)) {
            CheckError(c, c->script, here, "out of memory while reading the script");
            break;
        }
        if (target.location != location) c->lines[target.location] = here;
        if (stampSlot && target.nextStamp != stampSlot) c->lines[*stampSlot] = here;
        if (spriteSlot && target.nextSprite != spriteSlot) c->lines[*spriteSlot] = here;
        if (doorSlot && target.nextDoor != doorSlot) c->lines[*doorSlot] = here;
        if (location && location->view != view) {
            if (view)
                CheckWarning(c, c->script, here,
                             "location " + Quoted(location->name) + " already has a view (line " +
                                 std::to_string(c->viewLines[location]) + "); this one replaces it");
            c->viewLines[location] = here;
        }
        if (location && location->pdaName != pda) {
            if (pda)
                CheckWarning(c, c->script, here,
                             "location " + Quoted(location->name) + " already names a PDA picture (line " +
                                 std::to_string(c->pdaLines[location]) + "); this one replaces it");
            c->pdaLines[location] = here;
        }
    }
    AssetClose(file);
    if (!c->locations)
        CheckError(c, c->script, 0,
                   "the script has no 'location' line: the viewer stops at start-up with \"Failed zemRefreshLoc\"");
}
