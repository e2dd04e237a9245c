// The last check: the viewer itself started over the world, every location
// entered as Enter enters it, every item view opened and turned, one frame
// composed in each, and everything given back at shutdown.
#include <cstring>

#include "app/app.h"
#include "platform/platform.h"
#include "tools/zemworld/check.h"
#include "tools/zemworld/world.h"

static const int32_t ItemFrames = 24;

std::vector<LocationLines> CollectLines(const CheckContext* c) {
    std::vector<LocationLines> out;
    for (const Location* l = c->locations; l; l = l->next) {
        LocationLines lines = {LineOf(c, l), {}};
        for (const Stamp* s = l->stamps; s; s = s->next) lines.stamps.push_back(LineOf(c, s));
        out.push_back(lines);
    }
    return out;
}

// The file a start-up message points at.
static std::string StartFile(const CheckContext* c, const std::string& message) {
    if (message.find("logo") != std::string::npos) return "ZEMLOGO.BMP";
    if (message.find("zemLoadBMP item") != std::string::npos) return "BATBICON.BMP";
    if (message.find("cursor") != std::string::npos) return "CURS0000.BMP";
    return c->script;
}

// What zemRefreshLoc left unloaded, or "".
static std::string NotLoaded(const Location* l) {
    if (!l->view) return "";
    if (!l->view->picture) return std::string("its view ") + l->view->name;
    for (const SpriteRef* r = l->sprites; r; r = r->next)
        if (!r->sprite) return std::string("its sprite ") + r->name;
    for (const Stamp* s = l->stamps; s; s = s->next)
        if (!s->picture) return std::string("its stamp ") + s->name;
    return "";
}

void CheckInViewer(CheckContext* c, const std::vector<LocationLines>& lines) {
    std::string message;
    int started = c->archive ? StartViewer(*c->archive, &message) : StartViewerFile(c->archiveFile, &message);
    if (!started) {
        int32_t line = message.find("zemRefreshLoc") != std::string::npos && !lines.empty() ? lines[0].line : 0;
        CheckError(c, StartFile(c, message), line, "the viewer does not start: \"" + message + "\"");
        return;
    }
    int32_t count = 0;
    for (const Location* l = Locations; l; l = l->next) count++;
    for (int32_t index = 0; index < count; index++) {
        if (index > 0) zemChangeLoc(nullptr);
        Location* here = CurrentLocation;
        int32_t line = index < (int32_t)lines.size() ? lines[index].line : 0;
        std::string missing = NotLoaded(here);
        if (!missing.empty())
            CheckError(c, c->script, line,
                       std::string("entering location '") + here->name + "', the viewer does not load " + missing);
        UpdateFrame();
        int32_t k = 0;
        for (Stamp* s = here->stamps; s; s = s->next, k++) {
            if (!s->itemView[0]) continue;
            StampUnderCursor = s;
            ItemViewActive = 1;
            for (int32_t frame = 0; frame < ItemFrames; frame++) zemItemView(s, frame);
            if (!s->itemPicture) {
                int32_t stampLine = index < (int32_t)lines.size() && k < (int32_t)lines[index].stamps.size()
                                        ? lines[index].stamps[k]
                                        : line;
                CheckError(c, c->script, stampLine,
                           std::string("the item view ") + s->itemView + " does not open in the viewer");
            }
            UpdateFrame();
            ItemViewActive = 0;
            zemItemView(s, -1);
            StampUnderCursor = nullptr;
        }
    }
    int32_t left = StopViewer();
    if (left != 0)
        CheckError(c, c->script, 0,
                   "after the viewer's shutdown " + std::to_string(left) +
                       " memory blocks are still held (a fault of the viewer, not of the world)");
}
