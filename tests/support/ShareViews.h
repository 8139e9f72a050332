#pragma once

#include "support/TempDir.h"

#include <optional>
#include <string>

namespace custodia::test {

// Two views of one folder through FUSE (bindfs), as two client machines see one share: what is
// written through one is on the "server" folder and seen through the other, locks are forwarded to
// the server folder, and each view has a kernel cache of its own. Unmounted again at the end, whatever
// happened in between.
class ShareViews final {
public:
    struct Options {
        bool directIo = false; // bypass the views' page caches
        bool lockForwarding = true;
        bool readOnly = false;
    };

    // Why the views cannot be made on this machine (no /dev/fuse, no bindfs), or nothing.
    static std::optional<std::string> Unavailable();

    ShareViews();
    explicit ShareViews(Options options);
    ~ShareViews();
    ShareViews(const ShareViews&) = delete;
    ShareViews& operator=(const ShareViews&) = delete;

    // Empty when both views are mounted; otherwise why not.
    const std::string& Problem() const { return m_problem; }

    const std::string& Server() const { return m_server; }
    const std::string& A() const { return m_a; }
    const std::string& B() const { return m_b; }

private:
    std::string Mount(const std::string& view, const Options& options);

    TempDir m_dir;
    std::string m_server;
    std::string m_a;
    std::string m_b;
    bool m_aMounted = false;
    bool m_bMounted = false;
    std::string m_problem;
};

} // namespace custodia::test

// Skips the test, saying why, where the views cannot be made; fails it when they can but were not.
#define CUSTODIA_REQUIRE_SHARE_VIEWS(views)                                                                            \
    do {                                                                                                               \
        if (const auto unavailable = ::custodia::test::ShareViews::Unavailable())                                      \
            GTEST_SKIP() << "no FUSE views here: " << *unavailable;                                                    \
        ASSERT_EQ((views).Problem(), "");                                                                              \
    } while (false)
