// ANIMO's methods.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "display/Color.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "media/controls/Unit6.h"
#include "objects/Animo.h"
#include "script/Array.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/Scene.h"
#include "script/String.h"

namespace KavirelDLL {

int CMC_Animo_Runner::volumeOf(int volume) {
    const int64_t v = (static_cast<int64_t>(volume) - 800) * 3200 / 800;
    if (v <= -3100) return -10000;
    // Out of the voice's range it stays out of range, and the voice refuses it.
    return static_cast<int>(std::min<int64_t>(v, std::numeric_limits<int>::max()));
}

int CMC_Animo_Runner::panOf(int pan) {
    const int64_t p = (static_cast<int64_t>(pan) - 400) * 3200 / 1600;
    if (p <= -3100) return -10000;
    if (p >= 3100) return 10000;
    return static_cast<int>(p);
}

namespace {

// One argument read once (reading an expression runs its code), in every form a method may want.
struct Arg {
    bool present = false;
    int type = 0;
    int32_t integer = 0;
    double number = 0;
    bool flag = false;
    CXString text;
    bool isInteger() const { return present && type == TYPE_INTEGER; }
};

template <typename T, typename V>
V convertTo(CMC_Variable* value, int type, V fallback) {
    CMC_Variable* converted = value->convert(type);
    V out = fallback;
    if (converted && converted->getType() == type) out = static_cast<T*>(converted)->getValue();
    if (converted && converted != value) CMC_Object::flush(converted);
    return out;
}

std::vector<Arg> readArgs(CXVector* args) {
    // Reading needs no state of a runner.
    static CMC_Runner reader;
    std::vector<Arg> out(static_cast<size_t>(CMC_Runner::argumentCount(args)));
    for (size_t i = 0; i < out.size(); ++i) {
        CMC_Variable* value = reader.getParameter(args, static_cast<int>(i));
        if (!value) continue;
        Arg& a = out[i];
        a.present = true;
        a.type = value->getType();
        a.integer = convertTo<CMC_Integer, int32_t>(value, TYPE_INTEGER, 0);
        a.number = convertTo<CMC_Double, double>(value, TYPE_DOUBLE, 0.0);
        a.flag = convertTo<CMC_Bool, bool>(value, TYPE_BOOL, false);
        a.text = CMC_Runner::argumentText(value);
    }
    return out;
}

// A pixel of the screen's format: 5-5-5 when it works with 15 bits, else 5-6-5.
int packColor(CWindow* window, int r, int g, int b) {
    if (window && window->GetBpp() == 15)
        return (((r >> 3) & 31) << 10) | (((g >> 3) & 31) << 5) | ((b >> 3) & 31);
    return (((r >> 3) & 31) << 11) | (((g >> 2) & 63) << 5) | ((b >> 3) & 31);
}

CXPoint anchorPoint(CGraphicsObject* graphic, const CXString& name) {
    const CXPoint at = graphic->GetPosition();
    const CXSize size = graphic->Size();
    const int w = size.cx, h = size.cy;
    if (name.equals("CENTER")) return CXPoint(at.x + w / 2, at.y + h / 2);
    if (name.equals("LEFTUPPER")) return at;
    if (name.equals("RIGHTUPPER")) return CXPoint(at.x + w, at.y);
    if (name.equals("LEFTLOWER")) return CXPoint(at.x, at.y + h);
    if (name.equals("RIGHTLOWER")) return CXPoint(at.x + w, at.y + h);
    if (name.equals("LEFT")) return CXPoint(at.x, at.y + h / 2);
    if (name.equals("RIGHT")) return CXPoint(at.x + w, at.y + h / 2);
    if (name.equals("TOP")) return CXPoint(at.x + w / 2, at.y);
    if (name.equals("BOTTOM")) return CXPoint(at.x + w / 2, at.y + h);
    return CXPoint(0, 0);
}

// The alpha byte (signed) or the pixel word (signed) under a screen point; 0 outside the frame. A coded frame
// (run-length, LZO) is decoded first, and the planes are read within their sizes and with the pitch.
int sample(CAnimo6* animation, int x, int y, bool alpha) {
    CFrame* frame = animation->GetFrame(animation->Current());
    if (!frame || !frame->decodePixels()) return 0;
    const CXPoint at = animation->GetPosition();
    const int w = frame->Width(), h = frame->Height();
    if (x < at.x || y < at.y || x >= at.x + w || y >= at.y + h) return 0;
    const size_t row = static_cast<size_t>(y - at.y), column = static_cast<size_t>(x - at.x);
    if (alpha) {
        const char* plane = frame->GetChannelAlpha();
        if (!plane || frame->GetChannelSize(3) < w * h) return 0;
        return static_cast<int>(static_cast<int8_t>(plane[row * static_cast<size_t>(w) + column]));
    }
    if (frame->GetBpp() != 15 && frame->GetBpp() != 16) return 0;
    const size_t pitch = static_cast<size_t>(frame->GetPitch() > 0 ? frame->GetPitch() : w);
    int16_t word = 0;
    std::memcpy(&word, frame->GetDataPtr() + (row * pitch + column) * 2, sizeof word);
    return word;
}

} // namespace

CMC_Variable* CMC_Animo_Runner::runMethod(int id, Call& call) {
    using namespace RunnerResults;
    auto* animo = call.self<CMC_Animo>();
    CMC_ObjectsContainer* container = call.container();
    const std::vector<Arg> a = readArgs(call.args());
    if (call.gone()) return nullptr;
    const int count = static_cast<int>(a.size());
    auto at = [&a](int i) -> const Arg& {
        static const Arg kMissing;
        return i < static_cast<int>(a.size()) ? a[static_cast<size_t>(i)] : kMissing;
    };
    // The graphic another object of the calling container names; null when none has that name.
    CMC_ObjectsContainer* from = container ? container : animo->getContainer();
    auto named = [from](const CXString& name) -> CGraphicsObject* {
        return from ? from->getGraphicsObject(name) : nullptr;
    };

    CAnimo6* animation = animo->getAnimo();
    CWindow* window = animo->getWindow();
    CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;

    // Methods that need no animation.
    switch (id) {
    case MTH_LOAD:
        animo->load(at(0).text, true);
        return nullptr;
    case MTH_SETASBUTTON:
        animo->setAsButton(at(0).flag, at(1).flag);
        return nullptr;
    case MTH_SETONFF:
        animo->setOnFirstFrame(count > 0 ? at(0).flag : true);
        return nullptr;
    default:
        break;
    }
    if (!animation) {
        // Nothing to act on: queries answer their empty value.
        switch (id) {
        case MTH_ISPLAYING:
        case MTH_ISNEAR:
        case MTH_ISINSIDE:
        case MTH_ISVISIBLE:
        case MTH_ISAT:
            return boolResult(false);
        case MTH_GETFRAMENAME:
        case MTH_GETEVENTNAME:
            return stringResult("");
        case MTH_GETPRIORITY:
            return integerResult(-1);
        case MTH_GETPOSITIONX:
        case MTH_GETPOSITIONY:
        case MTH_GETWIDTH:
        case MTH_GETHEIGHT:
        case MTH_GETFRAME:
        case MTH_GETFRAMENO:
        case MTH_GETALPHA:
        case MTH_GETPIXEL:
        case MTH_GETCURRFRAMEPOSX:
        case MTH_GETCURRFRAMEPOSY:
        case MTH_GETCENTERX:
        case MTH_GETCENTERY:
        case MTH_GETNOE:
        case MTH_GETNOF:
        case MTH_GETNOFINEVENT:
        case MTH_GETMAXWIDTH:
        case MTH_GETMAXHEIGHT:
        case MTH_GETCFRAMEINEVENT:
        case MTH_GETOPACITY:
        case MTH_GETEVENTNUMBER:
        case MTH_GETFPS:
        case MTH_GETENDX:
        case MTH_GETENDY:
            return integerResult(0);
        default:
            return nullptr;
        }
    }
    CPlayable* playable = animation;

    switch (id) {
    case MTH_SHOW:
        playable->show();
        return nullptr;
    case MTH_HIDE:
        playable->hide();
        return nullptr;
    case MTH_PAUSE:
        playable->pause();
        return nullptr;
    case MTH_RESUME:
        playable->resume();
        return nullptr;
    case MTH_SETPOSITION:
        animation->Invalidate();
        animation->setPosition(at(0).integer, at(1).integer);
        animation->Invalidate();
        return nullptr;
    case MTH_MOVE:
        animation->Move(at(0).integer, at(1).integer);
        return nullptr;
    case MTH_CLEARCLIPPING:
        animation->SetClippingRect(CXRect(0, 0, 0, 0));
        return nullptr;
    case MTH_SETCLIPPING:
        // As IMAGE: one argument names a graphic, any other count is a rectangle.
        if (count == 1) {
            CGraphicsObject* other = named(at(0).text);
            animation->SetClippingRect(other ? other->GetBoundingBox() : CXRect(0, 0, 0, 0));
        } else {
            animation->SetClippingRect(CXRect(at(0).integer, at(1).integer, at(2).integer, at(3).integer));
        }
        return nullptr;
    case MTH_PLAY:
        if (count > 0) {
            animation->addNotifier(animo);
            animation->Play(at(0).text, 0);
        } else {
            playable->play();
        }
        return nullptr;
    case MTH_SETFRAME:
        if (count >= 2) {
            const int event = at(0).isInteger() ? at(0).integer : animation->getFrameNo(at(0).text);
            if (at(1).isInteger())
                animation->SetEventFrame(event, at(1).integer);
            else
                animation->SetEventFrame(event, at(1).text);
        } else {
            animation->Seek(count == 1 ? at(0).integer : 0);
        }
        return nullptr;
    case MTH_STOP:
        playable->stop(count > 0 ? at(0).flag : true);
        return nullptr;
    case MTH_ISPLAYING: {
        bool playing = playable->isPlaying();
        if (playing && count > 0) {
            const CXString wanted = at(0).isInteger() ? animation->GetEventName(at(0).integer) : at(0).text;
            playing = animation->getCurrentEventName().equalsIgnoreCase(wanted);
        }
        return boolResult(playing);
    }
    case MTH_GETPOSITIONX:
    case MTH_GETPOSITIONY:
    case MTH_GETENDX:
    case MTH_GETENDY: {
        const CXPoint p = count > 0 ? animation->getPosition() : animation->GetPosition();
        switch (id) {
        case MTH_GETPOSITIONX:
            return integerResult(p.x);
        case MTH_GETPOSITIONY:
            return integerResult(p.y);
        case MTH_GETENDX:
            return integerResult(p.x + animation->Width());
        default:
            return integerResult(p.y + animation->Height());
        }
    }
    case MTH_GETWIDTH:
        return integerResult(animation->Width());
    case MTH_GETHEIGHT:
        return integerResult(animation->Height());
    case MTH_GETFRAME:
        return integerResult(animation->Current());
    case MTH_GETFRAMENAME:
        if (count >= 2) {
            const int event = at(0).isInteger() ? at(0).integer : animation->GetEventNo(at(0).text);
            return stringResult(animation->getFrameName(event, at(1).integer));
        }
        return stringResult(animation->getFrameName(-1, -1));
    case MTH_GETFRAMENO:
        if (count >= 2) {
            const int event = at(0).isInteger() ? at(0).integer : animation->GetEventNo(at(0).text);
            return integerResult(at(1).isInteger() ? animation->GetFrameNo(event, at(1).integer)
                                                   : animation->GetFrameNo(event, at(1).text));
        }
        return integerResult(animation->GetFrameNo(-1, -1));
    case MTH_GETEVENTNAME:
        return stringResult(animation->GetEventName(count > 0 ? at(0).integer : -1));
    case MTH_ISNEAR:
        // As IMAGE: two arguments are a name and a distance, any other count a rectangle and a distance.
        if (count == 2) {
            CGraphicsObject* other = named(at(0).text);
            return boolResult(other && animation->isNear(other, at(1).integer));
        }
        return boolResult(animation->isNear(
            CXRect(at(0).integer, at(1).integer, at(2).integer, at(3).integer), at(4).integer));
    case MTH_ISINSIDE:
        return boolResult(animation->isInside(at(0).integer, at(1).integer, at(2).flag));
    case MTH_PLAYRAND:
        if (CUnit6* unit = CMC_Scene::getDefUnit())
            unit->addRandomPlayable(playable, static_cast<double>(at(1).integer), at(2).integer, at(0).text);
        return nullptr;
    case MTH_MONITORCOLLISION:
        animo->monitorCollisionsNow(at(0).flag);
        return nullptr;
    case MTH_REMOVEMONITORCOLLISION:
        animo->removeMonitoringNow();
        return nullptr;
    case MTH_SETFORWARD:
        animation->SetDirection(0);
        return nullptr;
    case MTH_SETBACKWARD:
        animation->SetDirection(1);
        return nullptr;
    case MTH_NEXTFRAME:
        animation->Next();
        return nullptr;
    case MTH_PREVFRAME:
        animation->Prev();
        return nullptr;
    case MTH_SETPRIORITY:
        // The draw priority only; the mouse listener keeps its own.
        if (screen) screen->SetPriority(animation, at(0).integer);
        return nullptr;
    case MTH_GETALPHA:
        return integerResult(sample(animation, at(0).integer, at(1).integer, true));
    case MTH_GETPIXEL:
        return integerResult(sample(animation, at(0).integer, at(1).integer, false));
    case MTH_SETFPS:
        animation->SetFPS(at(0).integer > 0 ? at(0).integer : 1);
        return nullptr;
    case MTH_MERGEALPHA:
        if (CGraphicsObject* other = named(at(2).text))
            animation->mergeAlpha(CXPoint(at(0).integer, at(1).integer), other);
        return nullptr;
    case MTH_INVALIDATE:
        animation->Invalidate();
        return nullptr;
    case MTH_GETCURRFRAMEPOSX:
        return integerResult(animation->getCurrFramePosition().x);
    case MTH_GETCURRFRAMEPOSY:
        return integerResult(animation->getCurrFramePosition().y);
    case MTH_GETCENTERX:
        return integerResult(animation->GetPosition().x + animation->Width() / 2);
    case MTH_GETCENTERY:
        return integerResult(animation->GetPosition().y + animation->Height() / 2);
    case MTH_GETNOE:
        return integerResult(animation->GetNOE());
    case MTH_GETNOF:
        return integerResult(animation->GetNOF());
    case MTH_GETNOFINEVENT:
        if (count == 0) return integerResult(0);
        return integerResult(at(0).isInteger() ? animation->GetNOFInEvent(at(0).integer)
                                               : animation->GetNOFInEvent(at(0).text));
    case MTH_GETMAXWIDTH:
        return integerResult(animation->GetMaxWidth());
    case MTH_GETMAXHEIGHT:
        return integerResult(animation->GetMaxHeight());
    case MTH_ISVISIBLE:
        return boolResult(animation->CGraphicsObject::isVisible());
    case MTH_GETCFRAMEINEVENT:
        return integerResult(animation->GetCurrentFrameInSequence());
    case MTH_SETOPACITY:
        animation->SetOpacity(static_cast<uint8_t>(at(0).integer % 257));
        return nullptr;
    case MTH_SETVOLUME:
        playable->setVolume(volumeOf(at(0).integer));
        return nullptr;
    case MTH_SETPAN:
        playable->setPanning(panOf(at(0).integer));
        return nullptr;
    case MTH_SETFREQ:
        playable->setFrequency(at(0).integer);
        return nullptr;
    case MTH_SETANCHOR:
        if (count >= 2)
            animation->setAnchor(at(0).integer, at(1).integer);
        else
            animation->setAnchor(anchorPoint(animation, at(0).text));
        return nullptr;
    case MTH_SETFRAMENAME: {
        const int event =
            animation->GetEventNo(at(0).isInteger() ? at(0).integer : animation->getFrameNo(at(0).text));
        _animoEvent* info = animation->GetEventInfo(event);
        const int frame = at(1).integer;
        if (!info || frame < 0 || frame >= static_cast<int>(info->records.size())) return nullptr;
        auto& record = info->records[static_cast<size_t>(frame)];
        if (!record) record.emplace();
        record->name = at(2).text;
        record->nameField = at(2).text.GetLength() > 0 ? 1 : 0;
        return nullptr;
    }
    case MTH_GETPRIORITY:
        return integerResult(screen ? screen->GetPriority(animation) : -1);
    case MTH_FLIPH:
        animation->FlipH();
        animation->Invalidate();
        return nullptr;
    case MTH_FLIPV:
        animation->FlipV();
        animation->Invalidate();
        return nullptr;
    case MTH_RESETFLIPS:
        animation->resetFlips();
        animation->Invalidate();
        return nullptr;
    case MTH_DRAWONTO:
        // An animation drawn onto itself would draw without end.
        if (CGraphicsObject* other = named(at(0).text); other && other != animation)
            other->addObject(animation, count > 1 ? at(1).integer : 0);
        return nullptr;
    case MTH_PLAYREVERSE: {
        const int frame = count > 1 ? at(1).integer : -1;
        if (at(0).isInteger())
            animation->playReverse(animation->GetEventName(animation->GetEventNo(at(0).integer)), frame);
        else if (at(0).present && at(0).type == TYPE_STRING)
            animation->playReverse(at(0).text, frame);
        return nullptr;
    }
    case MTH_NPLAY:
        animation->Play(animation->GetEventName(animation->GetEventNo(at(0).integer)),
                        count > 1 ? at(1).integer : -1);
        return nullptr;
    case MTH_ISAT:
        return boolResult(animation->isAt(at(0).integer, at(1).integer, at(2).flag));
    case MTH_GETOPACITY:
        return integerResult(animation->GetOpacity());
    case MTH_GETANCHOR: {
        CMC_Object* target = from ? from->getObject(at(0).text) : nullptr;
        if (!target || target->getType() != TYPE_ARRAY) return nullptr;
        const CXPoint anchor = animation->getAnchor();
        CMC_Integer value(anchor.x);
        static_cast<CMC_Array*>(target)->add(&value);
        value.setValue(anchor.y);
        static_cast<CMC_Array*>(target)->add(&value);
        return nullptr;
    }
    case MTH_GETEVENTNUMBER:
        return integerResult(animation->GetEventNo(count > 0 ? at(0).integer : -1));
    case MTH_GETFPS:
        return integerResult(playable->getFPS());
    case MTH_REPLACECOLOR: {
        const _colormodel model = window && window->GetBpp() == 15 ? COLORMODEL_RGB15 : COLORMODEL_RGB16;
        CColor from16(static_cast<int16_t>(packColor(window, at(0).integer, at(1).integer, at(2).integer)),
                      model);
        CColor to16(static_cast<int16_t>(packColor(window, at(3).integer, at(4).integer, at(5).integer)),
                    model);
        animation->replace_color(&from16, &to16);
        return nullptr;
    }
    case MTH_ROTATERZ:
        animation->rotateRZ(static_cast<float>(at(0).number));
        return nullptr;
    default:
        return nullptr;
    }
}

namespace {

template <int Id>
CMC_Variable* handler(CMC_MediaRunner::Call& call) {
    return CMC_Animo_Runner::runMethod(Id, call);
}

const char* const kNames[] = {
    "SHOW",
    "HIDE",
    "PAUSE",
    "RESUME",
    "SETPOSITION",
    "MOVE",
    "LOAD",
    "CLEARCLIPPING",
    "SETCLIPPING",
    "PLAY",
    "SETFRAME",
    "STOP",
    "ISPLAYING",
    nullptr,
    "GETPOSITIONX",
    "GETPOSITIONY",
    "GETWIDTH",
    "GETHEIGHT",
    "GETFRAME",
    "GETFRAMENAME",
    "GETFRAMENO",
    "GETEVENTNAME",
    "ISNEAR",
    "ISINSIDE",
    "PLAYRAND",
    "MONITORCOLLISION",
    "REMOVEMONITORCOLLISION",
    "SETFORWARD",
    "SETBACKWARD",
    "NEXTFRAME",
    "PREVFRAME",
    "SETPRIORITY",
    "GETALPHA",
    "GETPIXEL",
    "SETFPS",
    "MERGEALPHA",
    "INVALIDATE",
    "GETCURRFRAMEPOSX",
    "GETCURRFRAMEPOSY",
    "GETCENTERX",
    "GETCENTERY",
    "GETNOE",
    "GETNOF",
    "GETNOFINEVENT",
    "GETMAXWIDTH",
    "GETMAXHEIGHT",
    "ISVISIBLE",
    "GETCFRAMEINEVENT",
    "SETASBUTTON",
    "SETONFF",
    "SETOPACITY",
    "SETVOLUME",
    "SETPAN",
    "SETFREQ",
    "SETANCHOR",
    "SETFRAMENAME",
    "GETPRIORITY",
    "FLIPH",
    "FLIPV",
    "RESETFLIPS",
    "DRAWONTO",
    "PLAYREVERSE",
    "NPLAY",
    "ISAT",
    "GETOPACITY",
    "GETANCHOR",
    "GETEVENTNUMBER",
    "GETFPS",
    "REPLACECOLOR",
    "GETENDX",
    "GETENDY",
    "ROTATERZ",
};

static_assert(sizeof(kNames) / sizeof(kNames[0]) == CMC_Animo_Runner::MTH_ROTATERZ, "one name per id");

} // namespace

template <int... Ids>
static void addAnimoMethods(CMC_Animo_Runner& runner, std::integer_sequence<int, Ids...>,
                            void (CMC_Animo_Runner::*add)(const char*, int, CMC_MediaRunner::Handler)) {
    // Id 14 has no name and no handler: it goes to the base runner.
    ((kNames[Ids] ? (runner.*add)(kNames[Ids], Ids + 1, &handler<Ids + 1>) : void()), ...);
}

void CMC_Animo_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addAnimoMethods(*this, std::make_integer_sequence<int, MTH_ROTATERZ>(), &CMC_Animo_Runner::addMethod);
}

} // namespace KavirelDLL
