// One QApplication for the whole test program: text drawing needs its fonts, the forms its
// widgets.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <memory>

namespace {

class QtApplication : public ::testing::Environment {
public:
    void SetUp() override {
        // ctest sets the offscreen platform; a direct run gets it here.
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        d_app = std::make_unique<QApplication>(d_argc, d_argv);
    }
    void TearDown() override { d_app.reset(); }

private:
    int d_argc = 1;
    char d_name[16] = "test_formgui";
    char* d_argv[2] = {d_name, nullptr};
    std::unique_ptr<QApplication> d_app;
};

// gtest takes ownership of the environment.
const auto* const registered = ::testing::AddGlobalTestEnvironment(new QtApplication);

} // namespace
