#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/File.h"
#include "display/Window.h"
#include "platform/Files.h"
#include "platform/TempFolder.h"

// A temporary game folder as the current directory, with the data roots, drives and big file reset
// before and after.
class GameFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = KavirelDLL::CPlatformFiles::workingFolder();
        reset();
        ASSERT_EQ(KavirelDLL::CPlatformFiles::changeWorkingFolder(root()), KavirelDLL::EPlatformError::none);
    }
    void TearDown() override {
        reset();
        KavirelDLL::CPlatformFiles::changeWorkingFolder(m_previous);
    }
    static void reset() {
        KavirelDLL::CFile::closeBigFile();
        KavirelDLL::CWindow::rootPath = "";
        KavirelDLL::CWindow::gameProductPath = "";
        KavirelDLL::CWindow::setCDPath("");
        KavirelDLL::CPlatformFiles::clearDrives();
    }
    // Engine name of the folder, or of a path below it written with '/'.
    std::string root(const std::string& rest = "") const {
        std::string out = KavirelDLL::CPlatformFiles::toEngineName(m_tmp.str());
        for (char c : rest) out += c == '/' ? '\\' : c;
        return out;
    }
    std::string put(const std::string& relative, const std::string& contents = "") const {
        return m_tmp.put(relative, contents).string();
    }
    std::string read(const std::string& relative) const { return readNative(m_tmp.path() / relative); }
    static std::string readAll(KavirelDLL::CFile& file) {
        std::string out;
        char buffer[256];
        int got;
        while ((got = file.Read(buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(got));
        return out;
    }

    CTempFolder m_tmp{"files"};
    std::string m_previous;
};
