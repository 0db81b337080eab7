/* A plug-in module for the loader tests: it records the calls made to it. */
static void* g_container = 0;
static int g_released = 0;
static int g_interface = 4661;

void create(void* container) { g_container = container; }
void release(void) { ++g_released; }
void* getModuleInterface(void) { return &g_interface; }
void* testContainer(void) { return g_container; }
int testReleased(void) { return g_released; }
