#include "Batch.h"

#include "CliCommon.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace cli {
namespace {

class CProgress {
public:
    explicit CProgress(size_t total) : m_nTotal(total), m_bTerminal(::isatty(STDERR_FILENO) != 0) {}

    void Done(const std::string& input, bool ok)
    {
        const std::lock_guard<std::mutex> lock(m_Mutex);
        ++m_nDone;
        if (!m_bTerminal) {
            std::fprintf(stderr, "%s %s\n", ok ? "done  " : "FAILED", input.c_str());
            return;
        }
        constexpr size_t kWidth = 40;
        const size_t filled = kWidth * m_nDone / m_nTotal;
        std::fprintf(stderr, "\r[%s%s] %zu/%zu", std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, '.').c_str(), m_nDone, m_nTotal);
        if (m_nDone == m_nTotal)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }

private:
    std::mutex m_Mutex;
    size_t m_nDone = 0;
    size_t m_nTotal;
    bool m_bTerminal;
};

} // namespace

int RunBatch(const std::vector<std::string>& inputs, int jobs,
             const std::function<bool(const std::string& input, std::string& error)>& work)
{
    std::vector<std::string> errors(inputs.size());
    std::vector<char> failed(inputs.size(), 0);
    if (jobs <= 0)
        jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const size_t threads = std::min(inputs.size(), static_cast<size_t>(jobs));
    CProgress progress(inputs.size());
    std::atomic<size_t> next{0};
    const auto worker = [&] {
        for (size_t i; (i = next++) < inputs.size();) {
            failed[i] = !work(inputs[i], errors[i]);
            progress.Done(inputs[i], !failed[i]);
        }
    };
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread& thread : pool)
        thread.join();

    int status = kOk;
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (failed[i])
            status = Fail(inputs[i], errors[i]);
    }
    if (status != kOk && inputs.size() > 1)
        std::fprintf(stderr, "spritewright-cli: %zu of %zu files failed\n",
                     static_cast<size_t>(std::count(failed.begin(), failed.end(), 1)),
                     inputs.size());
    return status;
}

} // namespace cli
