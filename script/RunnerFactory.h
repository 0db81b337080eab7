#pragma once
#include "script/Runner.h"

namespace KavirelDLL {

// The runner singletons, one per script type (some types share one). They exist from initialize() to
// done(); a type without a runner gets null, and its object is asked for its own (plug-in types).
class CMC_RunnerFactory {
public:
    static void initialize();
    static void done();
    static CMC_Runner* getRunner(int type);

    static CMC_Runner* pDummyRunner;
    static CMC_Runner* pVariableRunner;
    static CMC_Runner* pConditionRunner;
    static CMC_Runner* pBehaviourRunner;
    static CMC_Runner* pMouseRunner;
    static CMC_Runner* pKeyboardRunner;
    static CMC_Runner* pRandRunner;
    static CMC_Runner* pCORunner;
    static CMC_Runner* pAppRunner;
    static CMC_Runner* pEpisodeRunner;
    static CMC_Runner* pSceneRunner;
    static CMC_Runner* pAnimoRunner;
    static CMC_Runner* pButtonRunner;
    static CMC_Runner* pFontRunner;
    static CMC_Runner* pSequenceRunner;
    static CMC_Runner* pSoundRunner;
    static CMC_Runner* pTextRunner;
    static CMC_Runner* pTimerRunner;
    static CMC_Runner* pImageRunner;
    static CMC_Runner* pEditBoxRunner;
    static CMC_Runner* pNetServerRunner;
    static CMC_Runner* pNetClientRunner;
    static CMC_Runner* pDialogRunner;
    static CMC_Runner* pFilterRunner;
    static CMC_Runner* pStaticFilterRunner;
    static CMC_Runner* pVectorRunner;
    static CMC_Runner* pPathRunner;
    static CMC_Runner* pQueneRunner;
    static CMC_Runner* pCanvasRunner;
    static CMC_Runner* pPatternRunner;
    static CMC_Runner* pScrollRunner;
    static CMC_Runner* pJoystickRunner;
    static CMC_Runner* pMovieRunner;
    static CMC_Runner* pGrBufferRunner;
    static CMC_Runner* pInternetRunner;
    static CMC_Runner* pGroupRunner;
    static CMC_Runner* pArrayRunner;
    static CMC_Runner* pStructureRunner;
    static CMC_Runner* pDatabaseRunner;
    static CMC_Runner* pClassRunner;
    static CMC_Runner* pVGORunner;
    static CMC_Runner* pMultiArrayRunner;
    static CMC_Runner* pSystemRunner;
    static CMC_Runner* pCNVLoaderRunner;
};

} // namespace KavirelDLL
