#pragma once
#include "core/FileFixture.h"
#include "harness/ImageFiles.h"
