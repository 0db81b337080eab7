#include "objects/Movie.h"

#include "core/Elements.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "media/anim/Movie.h"
#include "script/ObjectsContainer.h"
#include "script/Bool.h"
#include "script/RunnerResults.h"

namespace KavirelDLL {

CMC_Movie::CMC_Movie(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, TYPE_MOVIE) {
    CXString fileName = element ? element->getPropertyValue("FILENAME") : CXString("");
    int priority = element ? element->getPropertyIntValue("PRIORITY") : 0;
    CXPoint position = element ? element->getPropertyPointValue("POSITION") : CXPoint(0, 0);
    CWindow* window = container ? container->getWindow() : nullptr;
    m_movie = fileName.IsString() ? new CMovie(window, fileName) : new CMovie(window);
    if (priority >= 0 && window && window->GetRefreshScreenInterface())
        window->GetRefreshScreenInterface()->put(m_movie, priority);
    m_movie->addNotifier(this);
    m_movie->SetPosition(position);
    initializeBehaviours(container, element);
}

CMC_Movie::~CMC_Movie() {
    releaseAnchor();
    if (!m_movie) return;
    m_movie->removeNotifier(this);
    m_movie->CGraphicsObject::Invalidate();
    CRefreshScreen* screen = m_movie->GetCanvas();
    if (screen && screen->GetPriority(m_movie) >= 0) *screen >> m_movie;
    delete m_movie;
}

CXString** CMC_Movie::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONSTARTED", "ONFINISHED", "ONFRAMEUPDATED"});
}

bool CMC_Movie::onPlayableStarted(CPlayable*) {
    if (hasHandler(EVT_MOVIE_ONSTARTED)) onSignal("ONSTARTED");
    return false;
}

bool CMC_Movie::onPlayableTick(CPlayable*) {
    if (hasHandler(EVT_MOVIE_ONFRAMEUPDATED)) onSignal("ONFRAMEUPDATED");
    return false;
}

bool CMC_Movie::onPlayableFinished(CPlayable*) {
    if (hasHandler(EVT_MOVIE_ONFINISHED)) onSignal("ONFINISHED");
    return false;
}

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CMovie* movieOf(Call& call) { return call.self<CMC_Movie>()->getMovie(); }

} // namespace

void CMC_Movie_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("LOAD", MTH_LOAD, [](Call& c) -> CMC_Variable* {
        CXString file = c.string(0);
        if (c.gone()) return nullptr;
        CMovie* movie = movieOf(c);
        return boolResult(movie && movie->load(file));
    });
    addMethod("SETPOSITION", MTH_SETPOSITION, [](Call& c) -> CMC_Variable* {
        int x = c.integer(0);
        int y = c.integer(1);
        if (CMovie* movie = c.gone() ? nullptr : movieOf(c)) {
            movie->CGraphicsObject::Invalidate();
            movie->SetPosition(x, y);
            movie->CGraphicsObject::Invalidate();
        }
        return nullptr;
    });
    addMethod("PLAY", MTH_PLAY, [](Call& c) -> CMC_Variable* {
        if (CMovie* movie = movieOf(c)) movie->play();
        return nullptr;
    });
    addMethod("STOP", MTH_STOP, [](Call& c) -> CMC_Variable* {
        bool notify = c.count() < 1 || c.boolean(0);
        if (CMovie* movie = c.gone() ? nullptr : movieOf(c)) movie->stop(notify);
        return nullptr;
    });
    addMethod("SETLOOP", MTH_SETLOOP, [](Call& c) -> CMC_Variable* {
        int64_t start = 0, end = -1;
        if (c.count() >= 2) {
            start = c.integer(0);
            end = c.integer(1);
        }
        if (CMovie* movie = c.gone() ? nullptr : movieOf(c)) movie->setPlayRange(start, end);
        return nullptr;
    });
    addMethod("SEEK", MTH_SEEK, [](Call& c) -> CMC_Variable* {
        // Milliseconds to 100 ns in 64 bits: long movies seek past 214 s.
        int64_t ms = c.integer(0);
        if (CMovie* movie = c.gone() ? nullptr : movieOf(c)) movie->seekTime(ms * 10000);
        return nullptr;
    });
    addMethod("ISPLAYING", MTH_ISPLAYING, [](Call& c) -> CMC_Variable* {
        CMovie* movie = movieOf(c);
        return boolResult(movie && movie->isPlaying());
    });
    addMethod("PAUSE", MTH_PAUSE, [](Call& c) -> CMC_Variable* {
        if (CMovie* movie = movieOf(c)) movie->pause();
        return nullptr;
    });
    addMethod("RESUME", MTH_RESUME, [](Call& c) -> CMC_Variable* {
        if (CMovie* movie = movieOf(c)) movie->resume();
        return nullptr;
    });
}

} // namespace KavirelDLL
