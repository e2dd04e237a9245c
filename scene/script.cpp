// The scene script game.txt: one keyword line per record, read into the
// Location list in script order.
#include <cstring>

#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "screen/screen.h"

static const int32_t NameBytes = SCRIPT_NAME_BYTES;

static int IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

static char Lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

static int SameWord(const char* a, const char* b) {
    for (; *a && *b; a++, b++)
        if (Lower(*a) != Lower(*b)) return 0;
    return *a == *b;
}

int32_t zemSplitTokens(const char* text, char* tokens, int32_t count, int32_t tokenBytes) {
    std::memset(tokens, 0, (size_t)count * (size_t)tokenBytes);
    const char* p = text;
    int32_t found = 0;
    while (found < count) {
        while (*p && IsBlank(*p)) p++;
        if (!*p) break;
        char* token = tokens + (size_t)found * (size_t)tokenBytes;
        int32_t length = 0;
        for (; *p && !IsBlank(*p); p++)
            if (length < tokenBytes - 1) token[length++] = *p;
        found++;
    }
    return found;
}

void zemSplitScriptLine(const char* text, ScriptLine* line) {
    line->count = zemSplitTokens(text, &line->token[0][0], SCRIPT_TOKENS, SCRIPT_NAME_BYTES);
}

const char* const ScriptKeywords[] = {"rem",    "location", "closeup", "panorama",
                                      "stamp",  "sprite",   "pda",     "door",
                                      nullptr};

int zemScriptKeyword(const char* word) {
    for (int i = 0; ScriptKeywords[i]; i++)
        if (SameWord(word, ScriptKeywords[i])) return i;
    return -1;
}

// Decimal with an optional sign, up to the first other character; no range
// check, so the value wraps rather than overflowing.
static int32_t Number(const char* text) {
    const char* p = text;
    while (IsBlank(*p)) p++;
    int negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; p++) value = value * 10u + (uint32_t)(*p - '0');
    return (int32_t)(negative ? 0u - value : value);
}

static void* NewRecord(size_t size) {
    void* record = TrackedAlloc((int32_t)size);
    if (record) std::memset(record, 0, size);
    return record;
}

static void CopyName(char* field, const char* token) { std::memcpy(field, token, NameBytes); }

// Returns 0 only when a record could not be allocated.
int zemApplyScriptLine(const ScriptLine* line, ScriptTarget* target) {
    if (line->count == 0) return 1;
    const char* keyword = line->token[0];
    const char(*arg)[SCRIPT_NAME_BYTES] = line->token;  // arg[1] .. arg[9]

    if (SameWord(keyword, "location")) {
        Location* location = (Location*)NewRecord(sizeof(Location));
        if (!location) return 0;
        CopyName(location->name, arg[1]);
        *target->nextLocation = location;
        target->nextLocation = &location->next;
        target->location = location;
        target->nextStamp = &location->stamps;
        target->nextSprite = &location->sprites;
        target->nextDoor = &location->doors;
        return 1;
    }
    Location* location = target->location;
    // Lines before the first location have nothing to attach to.
    if (!location) return 1;

    int closeup = SameWord(keyword, "closeup");
    if (closeup || SameWord(keyword, "panorama")) {
        View* view = (View*)NewRecord(sizeof(View));
        if (!view) return 0;
        CopyName(view->name, arg[1]);
        view->panorama = closeup ? 0 : 1;
        if (location->view) {
            FreeImageList(&location->view->picture);
            TrackedFree(location->view);
        }
        location->view = view;
    } else if (SameWord(keyword, "stamp")) {
        Stamp* stamp = (Stamp*)NewRecord(sizeof(Stamp));
        if (!stamp) return 0;
        CopyName(stamp->name, arg[1]);
        stamp->x = Number(arg[2]);
        stamp->y = Number(arg[3]);
        stamp->w = Number(arg[4]);
        stamp->h = Number(arg[5]);
        CopyName(stamp->sound, arg[6]);
        CopyName(stamp->itemView, arg[7]);
        *target->nextStamp = stamp;
        target->nextStamp = &stamp->next;
    } else if (SameWord(keyword, "sprite")) {
        SpriteRef* sprite = (SpriteRef*)NewRecord(sizeof(SpriteRef));
        if (!sprite) return 0;
        CopyName(sprite->name, arg[1]);
        sprite->on = SameWord(arg[2], "on");
        *target->nextSprite = sprite;
        target->nextSprite = &sprite->next;
    } else if (SameWord(keyword, "pda")) {
        char* name = (char*)NewRecord(NameBytes);
        if (!name) return 0;
        CopyName(name, arg[1]);
        TrackedFree(location->pdaName);
        location->pdaName = name;
    } else if (SameWord(keyword, "door")) {
        Door* door = (Door*)NewRecord(sizeof(Door));
        if (!door) return 0;
        CopyName(door->target, arg[1]);
        door->x = Number(arg[2]);
        door->y = Number(arg[3]);
        door->w = Number(arg[4]);
        door->h = Number(arg[5]);
        CopyName(door->sound, arg[6]);
        CopyName(door->transition, arg[7]);
        // Eight arguments or more give the arrival pan; fewer keep the pan
        // of the moment, which is the start-up pan while the script is read.
        if (line->count >= 9) {
            door->arrivalPanX = Number(arg[8]);
            door->arrivalPanY = Number(arg[9]);
        } else {
            door->arrivalPanX = PanX;
            door->arrivalPanY = PanY;
        }
        *target->nextDoor = door;
        target->nextDoor = &door->next;
    }
    // "rem" and any other word: nothing.
    return 1;
}

void zemBeginScript(Location** head, ScriptTarget* target) {
    // New locations go behind any the head already holds.
    std::memset(target, 0, sizeof *target);
    target->nextLocation = head;
    while (*target->nextLocation) target->nextLocation = &(*target->nextLocation)->next;
}

int zemReadScriptLine(AssetFile* file, char* text) {
    int32_t length = 0;
    char byte;
    while (AssetRead(file, &byte, 1)) {
        text[length++] = byte;
        if (length == SCRIPT_LINE_BYTES) {
            // The 500th byte gives way to the terminating zero.
            text[SCRIPT_LINE_BYTES - 1] = 0;
            return 1;
        }
        if (byte == '\n') break;
    }
    text[length] = 0;
    return length > 0;
}

int zemLoadScript(const char* name, Location** head) {
    if (!name || !head) return 0;
    AssetFile* file = AssetOpen(name);
    if (!file) return 0;

    ScriptTarget target;
    zemBeginScript(head, &target);
    char text[SCRIPT_LINE_BYTES];
    int ok = 1;
    while (ok && zemReadScriptLine(file, text)) {
        ScriptLine line;
        zemSplitScriptLine(text, &line);
        ok = zemApplyScriptLine(&line, &target);
    }
    AssetClose(file);
    // A record that could not be allocated ends the read; what was made so
    // far stays in the list for shutdown to release.
    return ok;
}
