#include "script/RunnerFactory.h"

#include "net/Internet.h"
#include "net/NetClient.h"
#include "net/NetServer.h"
#include "objects/Animo.h"
#include "objects/Button.h"
#include "objects/Canvas.h"
#include "objects/CanvasObserver.h"
#include "objects/Dialog.h"
#include "objects/EditBox.h"
#include "objects/Filter.h"
#include "objects/Font.h"
#include "objects/GrBuffer.h"
#include "objects/Image.h"
#include "objects/Joystick.h"
#include "objects/Keyboard.h"
#include "objects/Mouse.h"
#include "objects/Movie.h"
#include "objects/Pattern.h"
#include "objects/Scroll.h"
#include "objects/Sequence.h"
#include "objects/Sound.h"
#include "objects/Text.h"
#include "objects/VirtualGraphicsObject.h"
#include "script/Application.h"
#include "script/Array.h"
#include "script/Behaviour.h"
#include "script/CNVLoader.h"
#include "script/Class.h"
#include "script/Condition.h"
#include "script/Database.h"
#include "script/DummyRunner.h"
#include "script/Episode.h"
#include "script/Groupped.h"
#include "script/MultiArray.h"
#include "script/Path.h"
#include "script/Quene.h"
#include "script/Rand.h"
#include "script/Scene.h"
#include "script/Structure.h"
#include "script/System.h"
#include "script/Timer.h"
#include "script/VariableRunner.h"
#include "script/Vector.h"

namespace KavirelDLL {

CMC_Runner* CMC_RunnerFactory::pDummyRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pVariableRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pConditionRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pBehaviourRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pMouseRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pKeyboardRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pRandRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pCORunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pAppRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pEpisodeRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pSceneRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pAnimoRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pButtonRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pFontRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pSequenceRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pSoundRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pTextRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pTimerRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pImageRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pEditBoxRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pNetServerRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pNetClientRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pDialogRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pFilterRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pStaticFilterRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pVectorRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pPathRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pQueneRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pCanvasRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pPatternRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pScrollRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pJoystickRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pMovieRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pGrBufferRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pInternetRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pGroupRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pArrayRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pStructureRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pDatabaseRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pClassRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pVGORunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pMultiArrayRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pSystemRunner = nullptr;
CMC_Runner* CMC_RunnerFactory::pCNVLoaderRunner = nullptr;

namespace {

template <typename T>
CMC_Runner* make() {
    CMC_Runner* runner = new T();
    runner->prepareMthHashSet();
    return runner;
}

} // namespace

void CMC_RunnerFactory::initialize() {
    if (pDummyRunner) return;
    pDummyRunner = make<CMC_Dummy_Runner>();
    pVariableRunner = make<CMC_Variable_Runner>();
    pConditionRunner = make<CMC_BasicCondition_Runner>();
    pBehaviourRunner = make<CMC_Behaviour_Runner>();
    pMouseRunner = make<CMC_Mouse_Runner>();
    pKeyboardRunner = make<CMC_Keyboard_Runner>();
    pRandRunner = make<CMC_Rand_Runner>();
    pCORunner = make<CMC_CanvasObserver_Runner>();
    pAppRunner = make<CMC_Application_Runner>();
    pEpisodeRunner = make<CMC_Episode_Runner>();
    pSceneRunner = make<CMC_Scene_Runner>();
    pAnimoRunner = make<CMC_Animo_Runner>();
    pButtonRunner = make<CMC_Button_Runner>();
    pFontRunner = make<CMC_Font_Runner>();
    pSequenceRunner = make<CMC_Sequence_Runner>();
    pSoundRunner = make<CMC_Sound_Runner>();
    pTextRunner = make<CMC_Text_Runner>();
    pTimerRunner = make<CMC_Timer_Runner>();
    pImageRunner = make<CMC_Image_Runner>();
    pEditBoxRunner = make<CMC_EditBox_Runner>();
    pNetServerRunner = make<CMC_NetServer_Runner>();
    pNetClientRunner = make<CMC_NetClient_Runner>();
    pDialogRunner = make<CMC_Dialog_Runner>();
    pFilterRunner = make<CMC_Filter_Runner>();
    pStaticFilterRunner = make<CMC_StaticFilter_Runner>();
    pVectorRunner = make<CMC_Vector_Runner>();
    pPathRunner = make<CMC_Path_Runner>();
    pQueneRunner = make<CMC_Quene_Runner>();
    pCanvasRunner = make<CMC_Canvas_Runner>();
    pPatternRunner = make<CMC_Pattern_Runner>();
    pScrollRunner = make<CMC_Scroll_Runner>();
    pJoystickRunner = make<CMC_Joystick_Runner>();
    pMovieRunner = make<CMC_Movie_Runner>();
    pGrBufferRunner = make<CMC_GrBuffer_Runner>();
    pInternetRunner = make<CMC_Internet_Runner>();
    pGroupRunner = make<CMC_Groupped_Runner>();
    pArrayRunner = make<CMC_Array_Runner>();
    pStructureRunner = make<CMC_Structure_Runner>();
    pDatabaseRunner = make<CMC_Database_Runner>();
    pClassRunner = make<CMC_Class_Runner>();
    pVGORunner = make<CMC_VirtualGraphicsObject_Runner>();
    pMultiArrayRunner = make<CMC_MultiArray_Runner>();
    pSystemRunner = make<CMC_System_Runner>();
    pCNVLoaderRunner = make<CMC_CNVLoader_Runner>();
}

void CMC_RunnerFactory::done() {
    delete pDummyRunner;
    pDummyRunner = nullptr;
    delete pVariableRunner;
    pVariableRunner = nullptr;
    delete pConditionRunner;
    pConditionRunner = nullptr;
    delete pBehaviourRunner;
    pBehaviourRunner = nullptr;
    delete pMouseRunner;
    pMouseRunner = nullptr;
    delete pKeyboardRunner;
    pKeyboardRunner = nullptr;
    delete pRandRunner;
    pRandRunner = nullptr;
    delete pCORunner;
    pCORunner = nullptr;
    delete pAppRunner;
    pAppRunner = nullptr;
    delete pEpisodeRunner;
    pEpisodeRunner = nullptr;
    delete pSceneRunner;
    pSceneRunner = nullptr;
    delete pAnimoRunner;
    pAnimoRunner = nullptr;
    delete pButtonRunner;
    pButtonRunner = nullptr;
    delete pFontRunner;
    pFontRunner = nullptr;
    delete pSequenceRunner;
    pSequenceRunner = nullptr;
    delete pSoundRunner;
    pSoundRunner = nullptr;
    delete pTextRunner;
    pTextRunner = nullptr;
    delete pTimerRunner;
    pTimerRunner = nullptr;
    delete pImageRunner;
    pImageRunner = nullptr;
    delete pEditBoxRunner;
    pEditBoxRunner = nullptr;
    delete pNetServerRunner;
    pNetServerRunner = nullptr;
    delete pNetClientRunner;
    pNetClientRunner = nullptr;
    delete pDialogRunner;
    pDialogRunner = nullptr;
    delete pFilterRunner;
    pFilterRunner = nullptr;
    delete pStaticFilterRunner;
    pStaticFilterRunner = nullptr;
    delete pVectorRunner;
    pVectorRunner = nullptr;
    delete pPathRunner;
    pPathRunner = nullptr;
    delete pQueneRunner;
    pQueneRunner = nullptr;
    delete pCanvasRunner;
    pCanvasRunner = nullptr;
    delete pPatternRunner;
    pPatternRunner = nullptr;
    delete pScrollRunner;
    pScrollRunner = nullptr;
    delete pJoystickRunner;
    pJoystickRunner = nullptr;
    delete pMovieRunner;
    pMovieRunner = nullptr;
    delete pGrBufferRunner;
    pGrBufferRunner = nullptr;
    delete pInternetRunner;
    pInternetRunner = nullptr;
    delete pGroupRunner;
    pGroupRunner = nullptr;
    delete pArrayRunner;
    pArrayRunner = nullptr;
    delete pStructureRunner;
    pStructureRunner = nullptr;
    delete pDatabaseRunner;
    pDatabaseRunner = nullptr;
    delete pClassRunner;
    pClassRunner = nullptr;
    delete pVGORunner;
    pVGORunner = nullptr;
    delete pMultiArrayRunner;
    pMultiArrayRunner = nullptr;
    delete pSystemRunner;
    pSystemRunner = nullptr;
    delete pCNVLoaderRunner;
    pCNVLoaderRunner = nullptr;
}

CMC_Runner* CMC_RunnerFactory::getRunner(int type) {
    switch (type) {
    case 0:
        return pDummyRunner;
    case 1:
        return pVariableRunner;
    case 2:
        return pVariableRunner;
    case 3:
        return pVariableRunner;
    case 4:
        return pVariableRunner;
    case 12:
        return pVariableRunner;
    case 10:
        return pConditionRunner;
    case 11:
        return pConditionRunner;
    case 13:
        return pBehaviourRunner;
    case 100:
        return pMouseRunner;
    case 101:
        return pKeyboardRunner;
    case 102:
        return pRandRunner;
    case 103:
        return pCORunner;
    case 1000:
        return pAppRunner;
    case 1001:
        return pEpisodeRunner;
    case 1002:
        return pSceneRunner;
    case 2000:
        return pAnimoRunner;
    case 2001:
        return pButtonRunner;
    case 2002:
        return pFontRunner;
    case 2004:
        return pSequenceRunner;
    case 2005:
        return pSoundRunner;
    case 2006:
        return pTextRunner;
    case 2007:
        return pTimerRunner;
    case 2008:
        return pImageRunner;
    case 2009:
        return pEditBoxRunner;
    case 2011:
        return pNetServerRunner;
    case 2012:
        return pNetClientRunner;
    case 2013:
        return pDialogRunner;
    case 2014:
        return pFilterRunner;
    case 2015:
        return pStaticFilterRunner;
    case 2016:
        return pVectorRunner;
    case 2017:
        return pPathRunner;
    case 2018:
        return pQueneRunner;
    case 2019:
        return pQueneRunner;
    case 2020:
        return pCanvasRunner;
    case 2021:
        return pPatternRunner;
    case 2022:
        return pScrollRunner;
    case 2023:
        return pJoystickRunner;
    case 2024:
        return pMovieRunner;
    case 2026:
        return pGrBufferRunner;
    case 2027:
        return pInternetRunner;
    case 3000:
        return pGroupRunner;
    case 3001:
        return pArrayRunner;
    case 3002:
        return pStructureRunner;
    case 3003:
        return pDatabaseRunner;
    case 3004:
        return pClassRunner;
    case 3005:
        return pVGORunner;
    case 3006:
        return pMultiArrayRunner;
    case 11000:
        return pSystemRunner;
    case 12000:
        return pCNVLoaderRunner;
    default:
        return nullptr;
    }
}

} // namespace KavirelDLL
