#include "script/System.h"

#include <algorithm>
#include <chrono>

#include "core/File.h"
#include "core/KavirelWEB.h"
#include "core/Log.h"
#include "core/Path.h"
#include "display/Window.h"
#include "platform/Display.h"
#include "platform/Files.h"
#include "platform/PlatformTime.h"
#include "platform/Process.h"
#include "script/Bool.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/TypeIds.h"
#include "script/VariableFactory.h"
#include "script/Services.h"

namespace KavirelDLL {

namespace {

const char* const kDays[] = {"Niedziela", "Poniedzialek", "Wtorek", "Sroda", "Czwartek", "Piatek", "Sobota"};
const char* const kMonths[] = {"Styczen", "Luty",     "Marzec",   "Kwiecien",    "Maj",      "Czerwiec",
                               "Lipiec",  "Sierpien", "Wrzesien", "Pazdziernik", "Listopad", "Grudzien"};

std::string text(const CXString& s) { return std::string(s.GetBuffer(), static_cast<size_t>(s.GetLength())); }

CWindow* windowOf(CMC_Object* object, CMC_ObjectsContainer* container) {
    CMC_ObjectsContainer* scene = object->getScene();
    if (scene && scene->getWindow()) return scene->getWindow();
    return container ? container->getWindow() : nullptr;
}

// The folder web games are installed in: the one the program recorded, else the player's own.
CXString webGamesFolder() {
    CXString folder = CKavirelWEB::get_registry(ERegistryRoot::currentUser, CKavirelWEB::kKey, "Path");
    return folder.IsString() ? folder : CKavirelWEB::gamesFolder();
}

} // namespace

CMC_System::CMC_System(CMC_ObjectsContainer* container) : CMC_Object(CXString("SYSTEM"), TYPE_SYSTEM) {
    if (container) setScene(container);
}

CMC_System::~CMC_System() = default;

std::tm CMC_System::getCurTime() {
    std::tm now{};
    if (!CPlatformClock::utc(CPlatformClock::wallSeconds(), now)) {
        now = std::tm{};
        now.tm_year = 70;
        now.tm_mday = 1;
    }
    return now;
}

int32_t CMC_System::getDate() {
    const std::tm now = getCurTime();
    return (now.tm_year + 1900 - 2000) * 10000 + (now.tm_mon + 1) * 100 + now.tm_mday;
}

int CMC_System::getDay() { return getCurTime().tm_mday; }
int CMC_System::getDayOfWeek() { return getCurTime().tm_wday + 1; }
CXString CMC_System::getDayOfWeekString() { return kDays[std::clamp(getCurTime().tm_wday, 0, 6)]; }
int CMC_System::getMonth() { return getCurTime().tm_mon + 1; }
CXString CMC_System::getMonthString() { return kMonths[std::clamp(getCurTime().tm_mon, 0, 11)]; }
int CMC_System::getYear() { return getCurTime().tm_year + 1900; }
int CMC_System::getHour() { return getCurTime().tm_hour; }
int CMC_System::getMinutes() { return getCurTime().tm_min; }
int CMC_System::getSeconds() { return getCurTime().tm_sec; }

CXString CMC_System::getDateString() {
    const std::tm now = getCurTime();
    // "%d/%s/%d": the day, the month's name, the full year.
    return CXString::toString(now.tm_mday) + "/" + kMonths[std::clamp(now.tm_mon, 0, 11)] + "/" +
           CXString::toString(now.tm_year + 1900);
}

CXString CMC_System::getTimeString() {
    const std::tm now = getCurTime();
    CXString out;
    out.Format("%d:%d", now.tm_hour, now.tm_min);
    return out;
}

int CMC_System::getMHz() { return getMHz(1, 50); }

int CMC_System::getMHz(int repetitions, int waitMs) {
    if (repetitions <= 0 || waitMs <= 0) return 0;
    uint64_t sum = 0;
    for (int i = 0; i < repetitions; ++i) {
        // The counter over the wait, less the counter over one clock read, which the wait also pays.
        // The real clock: an injected one may stand still.
        using Clock = std::chrono::steady_clock;
        const uint64_t start = CPlatformClock::cycleCounter();
        const Clock::time_point until = Clock::now() + std::chrono::milliseconds(waitMs);
        while (Clock::now() < until) {
        }
        const uint64_t waited = CPlatformClock::cycleCounter() - start;
        const uint64_t before = CPlatformClock::cycleCounter();
        (void)Clock::now();
        const uint64_t overhead = CPlatformClock::cycleCounter() - before;
        sum += waited > overhead ? waited - overhead : 0;
    }
    return static_cast<int>(sum / uint64_t(repetitions) / uint64_t(waitMs) / 1000);
}

CXString CMC_System::getUserName() {
    const std::string name = CPlatformProcess::userName();
    return name.empty() ? CXString("ERROR") : CXString(name.c_str());
}

CXString CMC_System::getFolderLocation(int folder) {
    std::string path;
    switch (folder) {
    case 26: // application data
    case 28: // local application data
    case 35: // common application data
        path = CPlatformFiles::userDataFolder();
        break;
    case 5: // documents
        path = CPlatformFiles::documentsFolder();
        break;
    case 0:  // desktop
    case 16: // desktop folder
        path = CPlatformFiles::desktopFolder();
        break;
    case 40: // profile
        path = CPlatformFiles::homeFolder();
        break;
    default:
        return CXString("ERROR");
    }
    if (path.empty() || CPlatformFiles::createFolder(path) != EPlatformError::none) {
        logMessage("SYSTEM: the folder of GETFOLDERLOCATION(%d) is not known or cannot be made", folder);
        return CXString("ERROR");
    }
    return CXString(path.c_str());
}

CXString CMC_System::getCommandLine() { return CXString(CPlatformProcess::commandLine().c_str()); }

bool CMC_System::isFileExist(CXString path) { return path.IsString() && CPlatformFiles::exists(text(path)); }

bool CMC_System::createDir(CXString path) { return CPath::makeSureDirectoryPathExists(path); }

CXString CMC_System::getProductPath(CXString file) {
    const int last = std::max(file.FindLast('\\'), file.FindLast('/'));
    if (last < 0) return CXString();
    return file.Left(last) + "\\";
}

// ---- runner ----

void CMC_System_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    static const char* const names[] = {"GETDATE",
                                        "GETDATESTRING",
                                        "GETDAY",
                                        "GETDAYOFWEEK",
                                        "GETDAYOFWEEKSTRING",
                                        "GETMONTH",
                                        "GETMONTHSTRING",
                                        "GETYEAR",
                                        "GETTIMESTRING",
                                        "GETHOUR",
                                        "GETMINUTES",
                                        "GETSECONDS",
                                        "GETSYSTEMTIME",
                                        "GETMHZ",
                                        "DELAY",
                                        "COPYFILE",
                                        "MINIMIZE",
                                        "ISCMDLINEPARAMETER",
                                        "GETCMDLINEPARAMETER",
                                        "INSTALL",
                                        "UNINSTALL",
                                        "GETUSERNAME",
                                        "GETFOLDERLOCATION",
                                        "GETCOMMANDLINE",
                                        "ISFILEEXIST"};
    int id = MTH_GETDATE;
    for (const char* name : names) addMethod(name, id++);
    addMethod("CREATEDIR", MTH_CREATEDIR);
    addMethod("GETPRODUCTPATH", MTH_GETPRODUCTPATH);
    addMethod("GETROOTPATH", MTH_GETROOTPATH);
}

CMC_Variable* CMC_System_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                     CXVector* args) {
    if (!object || object->getType() != TYPE_SYSTEM || id > MTH_GETROOTPATH)
        return CMC_Runner::run(id, object, container, args);
    auto* system = static_cast<CMC_System*>(object);
    switch (id) {
    case MTH_GETDATE:
        return CMC_VariableFactory::allocInteger(system->getDate());
    case MTH_GETDATESTRING:
        return CMC_VariableFactory::allocString(system->getDateString());
    case MTH_GETDAY:
        return CMC_VariableFactory::allocInteger(system->getDay());
    case MTH_GETDAYOFWEEK:
        return CMC_VariableFactory::allocInteger(system->getDayOfWeek());
    case MTH_GETDAYOFWEEKSTRING:
        return CMC_VariableFactory::allocString(system->getDayOfWeekString());
    case MTH_GETMONTH:
        return CMC_VariableFactory::allocInteger(system->getMonth());
    case MTH_GETMONTHSTRING:
        return CMC_VariableFactory::allocString(system->getMonthString());
    case MTH_GETYEAR:
        return CMC_VariableFactory::allocInteger(system->getYear());
    case MTH_GETTIMESTRING:
        return CMC_VariableFactory::allocString(system->getTimeString());
    case MTH_GETHOUR:
        return CMC_VariableFactory::allocInteger(system->getHour());
    case MTH_GETMINUTES:
        return CMC_VariableFactory::allocInteger(system->getMinutes());
    case MTH_GETSECONDS:
        return CMC_VariableFactory::allocInteger(system->getSeconds());
    case MTH_GETSYSTEMTIME:
        return CMC_VariableFactory::allocInteger(
            static_cast<int>(static_cast<uint32_t>(CPlatformClock::bootMilliseconds())));
    case MTH_GETMHZ:
        return CMC_VariableFactory::allocInteger(system->getMHz());
    case MTH_DELAY: {
        const int ms = getParameterInteger(args, 0)->getValue();
        if (ms > 0) CPlatformClock::sleepMilliseconds(static_cast<uint32_t>(ms));
        return nullptr;
    }
    case MTH_COPYFILE: {
        const CXString from = getParameterString(args, 0)->getValue();
        const CXString to = getParameterString(args, 1)->getValue();
        CWindow* window = windowOf(object, container);
        const CXString source = CPath::resolveFileName(window, from);
        const CXString target = CPath::resolveFileName(window, to);
        const bool copied =
            source.IsString() && target.IsString() &&
            CPlatformFiles::copyFile(text(source), text(target), false) == EPlatformError::none;
        if (!copied)
            logMessage("SYSTEM^COPYFILE: \"%s\" not copied to \"%s\"", from.GetBuffer(), to.GetBuffer());
        return CMC_VariableFactory::allocBool(copied);
    }
    case MTH_MINIMIZE: {
        CWindow* window = windowOf(object, container);
        if (CDisplay* display = window ? window->GetHwnd() : nullptr) display->minimise();
        return nullptr;
    }
    case MTH_ISCMDLINEPARAMETER: {
        const CXString name = getParameterString(args, 0)->getValue();
        CMC_Host* host = CMC_Host::get();
        return CMC_VariableFactory::allocBool(host && host->isParameter(windowOf(object, container), name));
    }
    case MTH_GETCMDLINEPARAMETER: {
        const CXString name = getParameterString(args, 0)->getValue();
        CMC_Host* host = CMC_Host::get();
        return CMC_VariableFactory::allocString(host ? host->parameter(windowOf(object, container), name)
                                                     : CXString());
    }
    case MTH_INSTALL: {
        const CXString game = getParameterString(args, 0)->getValue();
        const CXString fullName = getParameterString(args, 1)->getValue();
        const std::string previous = CPlatformFiles::workingFolder();
        const CXString folder = webGamesFolder();
        if (!folder.IsString() || CPlatformFiles::changeWorkingFolder(text(folder)) != EPlatformError::none) {
            logMessage("SYSTEM^INSTALL(\"%s\"): the web games' folder cannot be entered", game.GetBuffer());
            return nullptr;
        }
        CKavirelWEB::install(nullptr, game, fullName, CXString(CMC_System::kWebGamesAddress) + game + ".pik");
        CPlatformFiles::changeWorkingFolder(previous);
        return nullptr;
    }
    case MTH_UNINSTALL:
        CKavirelWEB::uninstall(getParameterString(args, 0)->getValue());
        return nullptr;
    case MTH_GETUSERNAME:
        return CMC_VariableFactory::allocString(system->getUserName());
    case MTH_GETFOLDERLOCATION:
        return CMC_VariableFactory::allocString(system->getFolderLocation(
            argumentCount(args) > 0 ? getParameterInteger(args, 0)->getValue() : 26));
    case MTH_GETCOMMANDLINE:
        return CMC_VariableFactory::allocString(system->getCommandLine());
    case MTH_ISFILEEXIST: {
        const CXString name = argumentCount(args) > 0 ? getParameterString(args, 0)->getValue() : CXString();
        if (!name.IsString()) return CMC_VariableFactory::allocBool(false);
        CFile file;
        return CMC_VariableFactory::allocBool(
            file.Open(windowOf(object, container), name, CFile::MODE_READ | CFile::MODE_BINARY) == ERR_NONE);
    }
    case MTH_CREATEDIR: {
        const CXString path = argumentCount(args) > 0 ? getParameterString(args, 0)->getValue() : CXString();
        return CMC_VariableFactory::allocBool(path.IsString() && system->createDir(path));
    }
    case MTH_GETPRODUCTPATH: {
        CMC_Host* host = CMC_Host::get();
        CWindow* window = windowOf(object, container);
        CMC_Settings* config = host && window ? host->config(window) : nullptr;
        return CMC_VariableFactory::allocString(config ? system->getProductPath(config->getConfigFileName())
                                                       : CXString());
    }
    case MTH_GETROOTPATH:
        return CMC_VariableFactory::allocString(CWindow::gameProductPath);
    default:
        return nullptr;
    }
}

} // namespace KavirelDLL
