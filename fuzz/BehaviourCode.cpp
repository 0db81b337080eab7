#include "fuzz/BehaviourCode.h"

#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"

namespace KavirelFuzz {

namespace {

enum class Kind {
    Integer,
    Double,
    Bool,
    String,
    Array,
    Group,
    Struct,
    Condition,
    Expression,
    Timer,
    Behaviour,
    Scene,
    Episode,
    Application,
    Unknown
};

struct Named {
    const char* name;
    Kind kind;
};

// The names generated code uses: the small world's objects (the first kHot, most of them added for generated
// inputs, are the likeliest), its containers, and names that come and go (clones, the loop counter, the
// return value, a name nothing has).
const Named kNames[] = {{"X", Kind::Bool},           {"N", Kind::Integer},          {"T0", Kind::String},
                        {"A2", Kind::Array},         {"TM", Kind::Timer},           {"B0", Kind::Behaviour},
                        {"B1", Kind::Behaviour},     {"B2", Kind::Behaviour},       {"B3", Kind::Behaviour},
                        {"S", Kind::String},         {"G2", Kind::Group},           {"D", Kind::Double},
                        {"B", Kind::Bool},           {"ARR", Kind::Array},          {"G", Kind::Group},
                        {"ST", Kind::Struct},        {"C", Kind::Condition},        {"E", Kind::Expression},
                        {"T", Kind::Timer},          {"CH", Kind::Behaviour},       {"FUZZ", Kind::Behaviour},
                        {"W0", Kind::Integer},       {"S1", Kind::Scene},           {"E1", Kind::Episode},
                        {"GAME", Kind::Application}, {"__RETURN__", Kind::Unknown}, {"_I_", Kind::Integer},
                        {"N_1", Kind::Integer},      {"X_1", Kind::Bool},           {"T0_1", Kind::String},
                        {"L0", Kind::Integer},       {"Q", Kind::Unknown}};
constexpr int kHot = 11;
constexpr int kNameCount = static_cast<int>(sizeof kNames / sizeof kNames[0]);

// A method and what its arguments are: v a value, n a number, s a text, o an object's name, b a behaviour's
// name, c code, e an event, t a type, y a scene's name; "*" repeats the letter before it 0 to 2 times more.
struct Method {
    const char* name;
    const char* args;
};

const std::vector<Method> kCommon = {{"CLONE", "n"},
                                     {"GETNAME", ""},
                                     {"SEND", "s"},
                                     {"ADDTOGROUP", "o"},
                                     {"ADDTOARRAY", "o"},
                                     {"ADDBEHAVIOUR", "eb"},
                                     {"REMOVEBEHAVIOUR", "e"},
                                     {"RESETCLONES", ""},
                                     {"GETCLONESNO", ""},
                                     {"GETCLONEINDEX", ""},
                                     {"REMOVEALLBEHAVIOURS", ""},
                                     {"REMOVEBEHAVIOURFORCE", "e"}};
const std::vector<Method> kInteger = {
    {"SET", "v"},   {"ADD", "v"},    {"SUB", "v"},   {"MUL", "v"},        {"DIV", "v"},    {"MOD", "v"},
    {"INC", ""},    {"DEC", ""},     {"CLEAR", ""},  {"SWITCH", "vv"},    {"CLAMP", "nn"}, {"GET", ""},
    {"ABS", ""},    {"RANDOM", "n"}, {"AND", "v"},   {"OR", "v"},         {"XOR", "v"},    {"NOT", ""},
    {"POWER", "n"}, {"SGN", ""},     {"LENGTH", ""}, {"SETDEFAULT", "v"}, {"RESETINI", ""}};
const std::vector<Method> kDouble = {
    {"SET", "v"},   {"ADD", "v"},    {"SUB", "v"},    {"MUL", "v"},     {"DIV", "v"},    {"SQRT", ""},
    {"SINUS", ""},  {"COSINUS", ""}, {"ROUND", ""},   {"LENGTH", "vv"}, {"ARCTAN", "v"}, {"ARCTANEX", "vv"},
    {"MAXA", "vv"}, {"MINA", "vv"},  {"CLAMP", "nn"}, {"LOG", ""},      {"SGN", ""},     {"CLEAR", ""}};
const std::vector<Method> kBool = {{"SET", "v"}, {"SWITCH", "vv"}, {"NOT", ""},   {"AND", "v"},
                                   {"OR", "v"},  {"XOR", "v"},     {"CLEAR", ""}, {"GET", ""}};
const std::vector<Method> kString = {
    {"SET", "v"},   {"ADD", "v"},  {"SUB", "nn"},          {"UPPER", ""},      {"LOWER", ""},
    {"FIND", "s"},  {"CUT", "nn"}, {"REPLACEAT", "ns"},    {"INSERTAT", "ns"}, {"REPLACE", "ss"},
    {"LENGTH", ""}, {"GET", "nn"}, {"ISUPPERLETTER", "n"}, {"CLEAR", ""},      {"SWITCH", "vv"}};
const std::vector<Method> kArray = {
    {"ADD", "v*"},         {"GETSIZE", ""},       {"INSERTAT", "nv"},    {"REMOVEAT", "n"},
    {"CHANGEAT", "nv"},    {"REMOVEALL", ""},     {"GET", "n"},          {"REMOVE", "v"},
    {"FIND", "v"},         {"REVERSEFIND", "v"},  {"FINDALL", "vo"},     {"CONTAINS", "v"},
    {"PREV", ""},          {"NEXT", ""},          {"ADDCLONES", "onn"},  {"RESETMARKER", ""},
    {"GETMARKERPOS", ""},  {"SETMARKERPOS", "n"}, {"SUM", "v"},          {"SUMA", "o"},
    {"SUB", "v"},          {"MUL", "v"},          {"DIV", "v"},          {"MIN", ""},
    {"MAX", ""},           {"GETSUMVALUE", ""},   {"SORT", "v"},         {"ADDAT", "nv"},
    {"SUBAT", "nv"},       {"MULAT", "nv"},       {"DIVAT", "nv"},       {"MODAT", "nv"},
    {"CLAMPAT", "nvv"},    {"COMPARE", "o"},      {"COPYTO", "o"},       {"SWAP", "nn"},
    {"SENDONCHANGE", "v"}, {"SHIFTLEFT", ""},     {"SHIFTRIGHT", ""},    {"ROTATELEFT", ""},
    {"ROTATERIGHT", ""},   {"FILL", "nv"},        {"RANDOMFILL", "nnn"}, {"SAVE", "s"},
    {"LOAD", "s"}};
const std::vector<Method> kGroup = {{"ADD", "o*"},           {"REMOVE", "o"},       {"REMOVEALL", ""},
                                    {"GETSIZE", ""},         {"GETNAME", "n"},      {"PREV", "n"},
                                    {"NEXT", "n"},           {"ADDCLONES", "onn"},  {"RESETMARKER", ""},
                                    {"GETMARKERPOS", ""},    {"SETMARKERPOS", "n"}, {"CLONE", "n"},
                                    {"GETNAMEATMARKER", ""}, {"CONTAINS", "o"}};
const std::vector<Method> kStruct = {{"SET", "v"}, {"SETFIELD", "sv"}, {"GETFIELD", "s"}};
const std::vector<Method> kCondition = {{"CHECK", "v"}, {"BREAK", "v"}, {"ONE_BREAK", "v"}};
const std::vector<Method> kTimer = {{"ENABLE", ""},   {"DISABLE", ""}, {"PAUSE", ""}, {"RESUME", ""},
                                    {"GETTICKS", ""}, {"RESET", ""},   {"SET", "n"},  {"SETELAPSE", "n"}};
const std::vector<Method> kBehaviour = {{"RUN", "v*"}, {"RUNC", "v*"}, {"RUNLOOPED", "nnnv*"},
                                        {"BREAK", ""}, {"ENABLE", ""}, {"DISABLE", ""}};
const std::vector<Method> kScene = {{"RUN", "osv*"}, {"RUNCLONES", "onnb"},   {"CREATEOBJECT", "to"},
                                    {"REMOVE", "o"}, {"REMOVECLONES", "onn"}, {"PAUSE", "v"},
                                    {"RESUME", "v"}, {"GETELEMENTSNO", ""},   {"GETRUNNINGTIMER", ""},
                                    {"TOTIME", "n"}, {"GETOBJECTS", "o"}};
const std::vector<Method> kEpisode = {{"GOTO", "y"},          {"NEXT", ""},    {"PREV", ""},
                                      {"BACK", ""},           {"RESTART", ""}, {"GETLATESTSCENE", ""},
                                      {"GETCURRENTSCENE", ""}};
const std::vector<Method> kApplication = {
    {"RUNENV", "yb"}, {"EXISTSENV", "yb"}, {"GETLANGUAGE", ""}, {"RUN", "osv*"}, {"GETPLAYER", ""}};
const std::vector<Method> kAnything = {{"SET", "v"},    {"ADD", "v*"},   {"RUN", "v*"}, {"GET", "n"},
                                       {"REMOVE", "o"}, {"GETSIZE", ""}, {"INC", ""},   {"CUT", "nn"}};

const std::vector<Method>& methodsOf(Kind kind) {
    switch (kind) {
    case Kind::Integer:
        return kInteger;
    case Kind::Double:
        return kDouble;
    case Kind::Bool:
        return kBool;
    case Kind::String:
        return kString;
    case Kind::Array:
        return kArray;
    case Kind::Group:
        return kGroup;
    case Kind::Struct:
        return kStruct;
    case Kind::Condition:
        return kCondition;
    case Kind::Timer:
        return kTimer;
    case Kind::Behaviour:
        return kBehaviour;
    case Kind::Scene:
        return kScene;
    case Kind::Episode:
        return kEpisode;
    case Kind::Application:
        return kApplication;
    default:
        return kAnything;
    }
}

const char* const kIntegers[] = {"1", "0", "2", "3", "-1", "5", "10", "100", "4", "7", "-5", "2147483647"};
const char* const kCounts[] = {"2", "1", "3", "0", "1", "2", "4", "-2"};
const char* const kTexts[] = {"\"a\"",  "\"\"",   "\"abc\"", "\"X\"",   "\"N\"",  "\"TRUE\"", "\"3\"",
                              "\"B1\"", "\"T0\"", "\"A2\"",  "\"1.5\"", "\"S1\"", "\"a,b\"",  "\"$1\""};
const char* const kOthers[] = {"1.5", "-0.25", "TRUE", "FALSE", "0.0", "1000000.5", "NULL", "\"NULL\""};
const char* const kEvents[] = {"\"ONCHANGED\"", "\"ONDONE\"",      "\"ONSIGNAL\"",  "\"ONTICK\"",
                               "\"ONINIT\"",    "\"ONCHANGED^1\"", "\"ONSIGNAL^a\""};
const char* const kTypes[] = {"\"STRING\"", "\"INTEGER\"", "\"BOOL\"",  "\"DOUBLE\"",
                              "\"IMAGE\"",  "\"ANIMO\"",   "\"SOUND\"", "\"BUTTON\""};
const char* const kScenes[] = {"\"S1\"", "\"S2\"", "\"E1\"", "\"GAME\"", "\"X\""};
const char* const kTestSigns[] = {"'", "!'", "<", ">", "<'", ">'"};
const char* const kSigns[] = {"\"_\"", "\"!_\"", "\"<\"", "\">\"", "\"<_\"", "\">_\"", "\"?\""};
const char* const kOperators[] = {"+", "-", "*", "@", "%"};
const char* const kDeclarations[] = {"@INT", "@STRING", "@BOOL", "@DOUBLE"};

template <typename T, size_t N>
constexpr int countOf(T (&)[N]) {
    return static_cast<int>(N);
}

// Nesting: a line's argument's line (or inline code, or bracket) is one level deeper.
constexpr int kMaxDepth = 3;
// Choices one behaviour's code may take; once they are used up, every choice is the shortest.
constexpr int kBudget = 160;

class CGenerator {
public:
    explicit CGenerator(CFuzzInput& input) : m_input(input) {}

    // A behaviour's whole code: index is its number (B0..B3), or -1 for FUZZ.
    std::string code(int index) {
        m_index = index;
        m_self = index < 0 ? "FUZZ" : "B" + std::to_string(index);
        m_budget = kBudget;
        std::string text = "{";
        for (int lines = pick(9); lines > 0 && more(); --lines) {
            m_mentioned.clear();
            text += line(0, false);
            text += ";";
        }
        return text + "}";
    }

    // A behaviour's name, or "" for none (rather often).
    std::string handler() {
        int b = pick(6);
        return b >= 1 && b <= 4 ? "B" + std::to_string(b - 1) : "";
    }

    // Whether another line is worth making: choices are left, and bytes to make them from.
    bool more() const { return m_budget > 0 && m_input.restSize() > 0; }

    int pick(int n) {
        if (m_budget <= 0) return 0;
        --m_budget;
        return m_input.byte() % n;
    }

private:
    int roll() { return pick(256); }
    template <typename T, size_t N>
    const char* any(T (&table)[N]) {
        return table[pick(static_cast<int>(N))];
    }

    const Named& named() {
        int b = roll();
        const Named& found = b < 176 ? kNames[b % kHot] : kNames[b % kNameCount];
        m_mentioned.push_back(found.name);
        return found;
    }

    // A name to delete: one the line named already, the behaviour itself, or any.
    std::string victim() {
        int b = pick(8);
        if (b < 4 && !m_mentioned.empty())
            return m_mentioned[static_cast<size_t>(pick(64)) % m_mentioned.size()];
        if (b == 4) return m_self;
        if (b == 5) return "$1";
        return named().name;
    }

    // Mostly a behaviour after this one (so that calls end; B3 calls CH, which only logs), now and then any.
    std::string callee() {
        int first = m_index + 1;
        if (pick(16) != 15) return first <= 3 ? "B" + std::to_string(first + pick(4 - first)) : "CH";
        static const char* const kAny[] = {"B0", "B1", "B2", "B3", "FUZZ", "CH", "$1"};
        return any(kAny);
    }

    std::string quoted(const std::string& name) { return "\"" + name + "\""; }

    std::string line(int depth, bool nested) {
        int b = roll();
        if (b < 80) return call(depth);
        if (b < 120) return run(depth);
        if (b < 150) return removal(depth);
        if (b < 170) return recreation(depth);
        if (b < 195) return loop(depth, nested);
        if (b < 210) return condition(depth);
        if (b < 218) return "@RETURN(" + value(depth) + ")";
        if (b < 224) {
            static const char* const kControls[] = {"@BREAK()", "@ONEBREAK()", "@CONTINUE()", "@BREAK"};
            return any(kControls);
        }
        if (b < 230) return timer(depth);
        if (b < 236) return sceneChange();
        return statement(depth);
    }

    // Every piece below is taken in its own statement, so that the bytes are read in the order written
    // whatever the compiler (the operands of one "+" may be evaluated in any order).

    // A method of the object's type (now and then one every object has) with arguments to match.
    std::string call(int depth) {
        int b = pick(32);
        std::string text;
        Kind kind;
        if (b == 31) {
            text = "$1";
            kind = Kind::Unknown;
        } else if (b == 30) {
            text = "THIS";
            kind = Kind::Behaviour;
        } else {
            const Named& found = named();
            text = found.name;
            kind = found.kind;
        }
        const std::vector<Method>& methods = pick(5) == 4 ? kCommon : methodsOf(kind);
        const Method& method = methods[static_cast<size_t>(pick(static_cast<int>(methods.size())))];
        text += "^";
        text += method.name;
        text += "(";
        arguments(text, method.args, depth, false);
        return text + ")";
    }

    // Appends the arguments the letters ask for, each after a comma (the first one too when comma is set).
    void arguments(std::string& text, const char* letters, int depth, bool comma) {
        char last = 0;
        for (const char* c = letters; *c; ++c) {
            int times = 1;
            char letter = *c;
            if (letter == '*') {
                letter = last;
                times = pick(3);
            }
            last = letter;
            for (int i = 0; i < times; ++i) {
                if (comma) text += ",";
                comma = true;
                text += argument(letter, depth);
            }
        }
    }

    std::string argument(char letter, int depth) {
        switch (letter) {
        case 'n':
            return number(depth);
        case 's':
            return text(depth);
        case 'o':
            return objectName(depth);
        case 'b':
            return quoted(callee());
        case 'c':
            return codeArgument(depth);
        case 'e':
            return any(kEvents);
        case 't':
            return any(kTypes);
        case 'y':
            return any(kScenes);
        default:
            return value(depth);
        }
    }

    std::string value(int depth) {
        int b = roll();
        if (b < 40) return any(kIntegers);
        if (b < 70) return named().name;
        if (b < 90) return any(kTexts);
        if (b < 110) {
            std::string dollar = "$" + std::to_string(1 + pick(3));
            return pick(2) ? quoted(dollar) : dollar;
        }
        if (b < 120) return std::string("&") + named().name;
        if (b < 140) return expression(depth);
        if (b < 210) return depth < kMaxDepth ? line(depth + 1, true) : any(kIntegers);
        if (b < 220) return any(kOthers);
        if (b < 230) return codeArgument(depth);
        return quoted(named().name);
    }

    std::string number(int depth) {
        int b = roll();
        if (b < 150) return count();
        if (b < 190) {
            static const char* const kNumbers[] = {"N", "_I_", "W0", "$1", "D", "X", "T0"};
            const char* name = any(kNumbers);
            m_mentioned.push_back(name);
            return name;
        }
        if (b < 220) return expression(depth);
        return depth < kMaxDepth ? line(depth + 1, true) : count();
    }

    std::string text(int depth) {
        int b = roll();
        if (b < 120) return any(kTexts);
        if (b < 170) return quoted(named().name);
        if (b < 210) return "\"$1\"";
        return depth < kMaxDepth ? line(depth + 1, true) : any(kTexts);
    }

    std::string objectName(int depth) {
        int b = roll();
        if (b < 180) return quoted(named().name);
        if (b < 210) return named().name;
        if (b < 230) return pick(2) ? "\"$1\"" : "$1";
        return depth < kMaxDepth ? line(depth + 1, true) : quoted(named().name);
    }

    // Code for a statement to run: a behaviour's name, or code of its own.
    std::string codeArgument(int depth) {
        int b = roll();
        if (b < 40 || depth >= kMaxDepth) {
            bool inQuotes = pick(2);
            std::string name = callee();
            return inQuotes ? quoted(name) : name;
        }
        std::string text = "{";
        for (int lines = 1 + pick(3), i = 0; i < lines && (i == 0 || more()); ++i) {
            text += line(depth + 1, false);
            text += ";";
        }
        return text + "}";
    }

    // Loop counts are small mostly; now and then (a byte of 255 and a small one after it) one past any frame,
    // or a step that never ends.
    bool rare() { return roll() == 255 && pick(16) == 0; }
    std::string count() {
        if (rare()) return pick(2) ? "2147483647" : "1000000";
        return kCounts[pick(countOf(kCounts))];
    }
    std::string step() {
        if (rare()) return pick(2) ? "-1" : "0";
        return pick(4) == 3 ? "2" : "1";
    }

    std::string expression(int depth) {
        std::string text = "[";
        for (int operands = 1 + pick(3), i = 0; i < operands; ++i) {
            if (i) text += any(kOperators);
            int b = roll();
            if (b < 100) {
                text += any(kIntegers);
            } else if (b < 190) {
                static const char* const kOperands[] = {"N", "D", "X", "S", "$1", "_I_", "W0", "T0", "L0"};
                text += any(kOperands);
            } else {
                text += depth < kMaxDepth ? line(depth + 1, true) : "1";
            }
        }
        return text + "]";
    }

    // A behaviour run with zero to three arguments, looped, by name, or from the application.
    std::string run(int depth) {
        int b = roll();
        std::string text = callee();
        if (b < 200) {
            text += b < 150 ? "^RUN(" : "^RUNC(";
            for (int i = 0, arguments = pick(4); i < arguments; ++i) {
                if (i) text += ",";
                text += value(depth);
            }
            return text + ")";
        }
        if (b < 235) {
            text += "^RUNLOOPED(";
            text += number(depth);
            text += ",";
            text += count();
            text += ",";
            text += step();
            arguments(text, "v*", depth, true);
            return text + ")";
        }
        if (b < 245) {
            std::string line = "S1^RUN(" + quoted(text) + ",\"RUN\"";
            arguments(line, "v*", depth, true);
            return line + ")";
        }
        return "GAME^RUNENV(\"S1\"," + quoted(text) + ")";
    }

    std::string removal(int depth) {
        int b = pick(16);
        std::string name = victim();
        if (b < 8) return "S1^REMOVE(" + quoted(name) + ")";
        if (b < 10) return name + "^RESETCLONES()";
        if (b == 10) return "S1^REMOVECLONES(" + quoted(name) + ",1,-1)";
        if (b == 11) return "A2^REMOVEALL()";
        if (b == 12) return "A2^REMOVEAT(" + number(depth) + ")";
        if (b == 13) return "G2^REMOVE(" + quoted(name) + ")";
        if (b == 14) return "@RETURN(" + value(depth) + ")";
        return "S1^REMOVE(" + objectName(depth) + ")";
    }

    std::string recreation(int depth) {
        int b = pick(8);
        std::string name = victim();
        std::string text;
        if (b < 4) {
            text = any(kDeclarations);
            text += "(" + name + ",";
            text += value(depth);
            return text + ")";
        }
        if (b < 6) return name + "^CLONE(" + count() + ")";
        text = b == 6 ? "@CREATE(" : "S1^CREATEOBJECT(";
        text += any(kTypes);
        return text + "," + quoted(name) + ")";
    }

    std::string loop(int depth, bool nested) {
        int b = pick(16);
        std::string text;
        if (b < 6) {
            text = "@LOOP(";
        } else if (b < 10) {
            static const char* const kCounters[] = {"N", "W0", "_I_", "$1", "X", "L0"};
            text = "@FOR(";
            text += any(kCounters);
            text += ",";
        } else if (b < 15) {
            // Counted on W0 (named: a bare name would be its value, tested as a constant), which the body
            // steps first; a behaviour's own line sets it first.
            text = nested ? "@WHILE(\"W0\",\"<\"," : "W0^SET(0);@WHILE(\"W0\",\"<\",";
            text += count();
            text += ",{W0^INC();";
            for (int lines = pick(3); lines > 0 && more(); --lines) {
                text += line(depth + 1, false);
                text += ";";
            }
            return text + "})";
        } else {
            text = "@WHILE(";
            text += value(depth);
            text += ",";
            text += any(kSigns);
            text += ",";
            text += value(depth);
            text += ",";
            text += codeArgument(depth);
            return text + ")";
        }
        text += codeArgument(depth);
        text += ",";
        text += number(depth);
        text += ",";
        text += count();
        text += ",";
        text += step();
        return text + ")";
    }

    std::string testOperand() {
        int b = roll();
        if (b < 120) {
            static const char* const kOperands[] = {"N",   "X",  "T0",         "S", "$1",
                                                    "_I_", "W0", "__RETURN__", "L0"};
            return any(kOperands);
        }
        if (b < 220) return any(kIntegers);
        return pick(2) ? "TRUE" : "abc";
    }

    std::string test() {
        std::string text = testOperand();
        text += any(kTestSigns);
        text += testOperand();
        return text;
    }

    std::string condition(int depth) {
        std::string text = "@IF(";
        if (pick(3) == 2) {
            text += value(depth);
            text += ",";
            text += any(kSigns);
            text += ",";
            text += value(depth);
        } else {
            text += test();
            if (pick(4) == 3) {
                text += pick(2) ? "&&" : "||";
                text += test();
            }
        }
        text += ",";
        text += codeArgument(depth);
        text += ",";
        text += codeArgument(depth);
        return text + ")";
    }

    std::string timer(int depth) {
        static const char* const kIntervals[] = {"20", "0", "40", "1", "-5"};
        static const char* const kRepeats[] = {"1", "2", "0", "3", "-1"};
        std::string text = "@RUNONTIMER(";
        text += any(kIntervals);
        text += ",";
        text += any(kRepeats);
        text += ",";
        text += codeArgument(depth);
        if (pick(2)) {
            text += ",";
            text += codeArgument(depth);
            arguments(text, "v*", depth, true);
        }
        return text + ")";
    }

    std::string sceneChange() {
        static const char* const kChanges[] = {"E1^GOTO(\"S2\")", "E1^GOTO(\"S1\")", "E1^NEXT()",
                                               "E1^PREV()",       "E1^RESTART()",    "E1^BACK()",
                                               "E1^GOTO(\"$1\")"};
        return any(kChanges);
    }

    std::string statement(int depth) {
        int b = pick(8);
        std::string text;
        if (b < 2) {
            text = "@CONV(" + value(depth) + ",";
            text += any(kTypes);
            return text + ")";
        }
        if (b < 4) return "@VALUE(" + objectName(depth) + ")";
        if (b == 4) {
            text = any(kDeclarations);
            text += "(L0," + value(depth);
            return text + ")";
        }
        if (b == 5) {
            text = "@CREATE(";
            text += any(kTypes);
            text += "," + objectName(depth);
            return text + ")";
        }
        if (b == 6) return "@GETCURRENTSCENE()";
        return "@STRING(L0,@CONV(" + value(depth) + ",\"STRING\"))";
    }

    CFuzzInput& m_input;
    int m_index = -1;
    int m_budget = kBudget;
    std::string m_self;
    std::vector<std::string> m_mentioned;
};

} // namespace

GeneratedCode behaviourCode(const uint8_t* data, size_t size) {
    GeneratedCode code;
    if (size > 0 && data[0] == '{') {
        code.fuzz.assign(reinterpret_cast<const char*>(data), size);
        return code;
    }
    CFuzzInput input(data, size);
    input.byte();
    CGenerator generator(input);
    // The handlers first (one byte each), then FUZZ, then the behaviours it mostly calls, in order.
    code.onX = generator.handler();
    code.onT0 = generator.handler();
    code.onA2 = generator.handler();
    code.onTM = generator.handler();
    static const char* const kEvents[] = {"ONCHANGED", "ONDONE"};
    int events = generator.pick(8);
    code.eventX = kEvents[events & 1];
    code.eventT0 = kEvents[(events >> 1) & 1];
    code.eventA2 = kEvents[(events >> 2) & 1];
    code.fuzz = generator.code(-1);
    for (int i = 0; i < 4; ++i) code.behaviours.push_back(generator.code(i));
    return code;
}

std::string describe(const GeneratedCode& code) {
    std::string text = "FUZZ:CODE=" + code.fuzz + "\n";
    for (size_t i = 0; i < code.behaviours.size(); ++i)
        text += "B" + std::to_string(i) + ":CODE=" + code.behaviours[i] + "\n";
    if (!code.generated()) return text;
    auto bound = [&text](const char* name, const std::string& event, const std::string& handler) {
        if (!handler.empty()) text += std::string(name) + ":" + event + "=" + handler + "\n";
    };
    bound("X", code.eventX, code.onX);
    bound("T0", code.eventT0, code.onT0);
    bound("A2", code.eventA2, code.onA2);
    bound("TM", "ONTICK", code.onTM);
    return text;
}

} // namespace KavirelFuzz
