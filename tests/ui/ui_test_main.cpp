// Qt window tests run without a display, and remember nothing in the settings of the user who runs them (the
// file dialogs' history, say): what the windows keep goes to a folder beside the test program.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const auto beside = std::filesystem::canonical("/proc/self/exe").parent_path() / "config-home";
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(beside.string()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
