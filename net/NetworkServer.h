#pragma once
#include "net/NetworkPeer.h"
