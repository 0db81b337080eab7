#pragma once
#include <cstdint>
#include <ctime>

#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

// SYSTEM, the one object through which games read the date (UTC, from the platform's wall clock), time and
// processor speed, wait, copy files, make folders, read the command line and the user's folders, and install
// or remove web games.
class CMC_System : public CMC_Object {
public:
    explicit CMC_System(CMC_ObjectsContainer* container);
    ~CMC_System() override;

    std::tm getCurTime();
    // (year - 2000) * 10000 + month * 100 + day.
    int32_t getDate();
    int getDay();
    // 1 for Sunday up to 7 for Saturday.
    int getDayOfWeek();
    CXString getDayOfWeekString();
    int getMonth();
    CXString getMonthString();
    int getYear();
    int getHour();
    int getMinutes();
    int getSeconds();
    // The time-stamp counter's rate over a busy wait of 50 ms; 0 without a counter.
    int getMHz();
    // "ERROR" when the system cannot tell.
    CXString getUserName();
    // The folder of a CSIDL number (made when absent): 26, 28 and 35 the user's data folder, 5 documents,
    // 0 and 16 the desktop, 40 home; "ERROR" for others and on failure.
    CXString getFolderLocation(int folder);
    CXString getCommandLine();
    bool isFileExist(CXString path);
    // Makes every folder of the path up to its last '\'.
    bool createDir(CXString path);
    // The file's folder with a trailing '\'; empty for a bare name.
    CXString getProductPath(CXString file);
    // "8/Grudzien/2026".
    CXString getDateString();
    // "9:5" at 09:05.
    CXString getTimeString();

    // The MHz measured over repetitions busy waits of waitMs each; 0 for a count or wait of 0.
    static int getMHz(int repetitions, int waitMs);
    // The site web games are fetched from, handed to the installer by INSTALL (which downloads nothing).
    static constexpr const char* kWebGamesAddress = "http://localhost/kavirelweb/";
};

// SYSTEM methods.
class CMC_System_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_GETDATE = 1,
        MTH_GETDATESTRING,
        MTH_GETDAY,
        MTH_GETDAYOFWEEK,
        MTH_GETDAYOFWEEKSTRING,
        MTH_GETMONTH,
        MTH_GETMONTHSTRING,
        MTH_GETYEAR,
        MTH_GETTIMESTRING,
        MTH_GETHOUR,
        MTH_GETMINUTES,
        MTH_GETSECONDS,
        MTH_GETSYSTEMTIME,
        MTH_GETMHZ,
        MTH_DELAY,
        MTH_COPYFILE,
        MTH_MINIMIZE,
        MTH_ISCMDLINEPARAMETER,
        MTH_GETCMDLINEPARAMETER,
        MTH_INSTALL,
        MTH_UNINSTALL,
        MTH_GETUSERNAME,
        MTH_GETFOLDERLOCATION,
        MTH_GETCOMMANDLINE,
        MTH_ISFILEEXIST,
        MTH_CREATEDIR = 32,
        MTH_GETPRODUCTPATH,
        MTH_GETROOTPATH,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
