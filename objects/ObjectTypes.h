#pragma once

namespace KavirelDLL {

// The media objects' script types (ANIMO, BUTTON, IMAGE, SOUND, ..., the mouse, the keyboard and the
// joystick) in the type registry, and the scenes' operations over them (CMC_SceneMedia).
void registerObjectTypes();

} // namespace KavirelDLL
