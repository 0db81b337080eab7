#pragma once
// Test set-up shared by the test programs: environment variables changed for one test, and SDL's video
// started under a chosen driver.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "platform/Video.h"

namespace KavirelTest {

// Sets an environment variable (removes it, given null) while it lives, then puts back what was there.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_saved = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~CScopedEnv() {
        if (m_saved)
            setenv(m_name.c_str(), m_saved->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_saved;
};

// The locale variables removed for one test (LC_ALL set, when given), and put back afterwards.
class CLocaleEnvironment {
public:
    explicit CLocaleEnvironment(const char* lcAll = nullptr) : m_all("LC_ALL", lcAll) {}

private:
    CScopedEnv m_all;
    CScopedEnv m_messages{"LC_MESSAGES", nullptr};
    CScopedEnv m_lang{"LANG", nullptr};
};

// Tests with SDL's video started under one driver, SDL_VIDEODRIVER put back after each.
class CVideoDriverTest : public testing::Test {
protected:
    // False when the video does not start (m_video->lastError() says why).
    bool startVideo(const char* driver) {
        m_driver.emplace("SDL_VIDEODRIVER", driver);
        m_video = std::make_unique<KavirelDLL::CVideo>();
        return m_video->isReady();
    }
    void TearDown() override {
        m_video.reset();
        m_driver.reset();
    }

    std::unique_ptr<KavirelDLL::CVideo> m_video;

private:
    std::optional<CScopedEnv> m_driver;
};

// A real X server; the test skips itself without one.
class CX11VideoTest : public CVideoDriverTest {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) GTEST_SKIP() << "no X display";
        if (!startVideo("x11")) GTEST_SKIP() << "X display not reachable: " << m_video->lastError();
    }
};

} // namespace KavirelTest
