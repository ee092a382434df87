// Calls from the polling worker reach the windows on the GUI thread only.
#include "manager/core/gui_thread_ui.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <thread>

#include "tests/manager/manager_harness.h"

namespace qmx2::manager {
namespace {

// A GUI thread with a task queue, as a shell's event loop would be.
class FakeGuiLoop : public GuiDispatch {
public:
    explicit FakeGuiLoop(bool running) {
        if (running) thread_ = std::thread([this] { Run(); });
    }
    ~FakeGuiLoop() override { Stop(); }
    void Stop() {
        {
            std::lock_guard lock(mu_);
            stop_ = true;
            cv_.notify_all();
        }
        if (thread_.joinable()) thread_.join();
    }
    bool OnGuiThread() override { return std::this_thread::get_id() == thread_.get_id(); }
    bool Queue(std::function<void()> task) override {
        std::lock_guard lock(mu_);
        if (refuse) return false;
        tasks_.push_back(std::move(task));
        cv_.notify_all();
        return true;
    }
    std::thread::id id() const { return thread_.get_id(); }
    // Until a task is queued (bounded): the caller is then inside its call, waiting on the loop.
    bool WaitUntilQueued() {
        std::unique_lock lock(mu_);
        return cv_.wait_for(lock, std::chrono::seconds(10), [&] { return !tasks_.empty(); });
    }
    bool refuse = false;

private:
    void Run() {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mu_);
                cv_.wait(lock, [&] { return stop_ || !tasks_.empty(); });
                if (tasks_.empty()) return;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }
    std::mutex mu_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> tasks_;
    bool stop_ = false;
    std::thread thread_;
};

// Records on which thread the windows were called.
class ThreadRecordingUi : public testing::ScriptedUi {
public:
    Answer ShowMessage(platform::WideView c, platform::WideView t, Buttons b, bool owned) override {
        Note();
        return ScriptedUi::ShowMessage(c, t, b, owned);
    }
    void RepaintMain() override {
        Note();
        ScriptedUi::RepaintMain();
    }
    void SetMessageStatusLine(platform::WideView text) override {
        Note();
        ScriptedUi::SetMessageStatusLine(text);
    }
    std::vector<std::thread::id> threads() {
        std::lock_guard lock(mu);
        return seen;
    }

private:
    void Note() {
        std::lock_guard lock(mu);
        seen.push_back(std::this_thread::get_id());
    }
    std::mutex mu;
    std::vector<std::thread::id> seen;
};

TEST(GuiThreadUi, WorkerCallsRunOnTheGuiThreadAndQuestionsWaitForTheAnswer) {
    ThreadRecordingUi windows;
    windows.answers = {Answer::kYes};
    FakeGuiLoop loop(true);
    GuiThreadUi ui(windows, loop);
    auto worker = std::async(std::launch::async, [&] {
        ui.RepaintMain();
        ui.SetMessageStatusLine(u"New SMS arrived");
        return ui.ShowMessage(kCaption, u"Do you want to delete?", Buttons::kYesNo, true);
    });
    ASSERT_EQ(worker.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(worker.get(), Answer::kYes);
    const std::thread::id gui = loop.id();
    loop.Stop();  // runs what is still queued
    EXPECT_EQ(windows.threads(), std::vector<std::thread::id>(3, gui));
    EXPECT_EQ(windows.status_line, u"New SMS arrived");
    EXPECT_EQ(windows.repaints, 1);
}

TEST(GuiThreadUi, EndedLoopReleasesTheWorkerWithTheCautiousAnswer) {
    ThreadRecordingUi windows;
    windows.answers = {Answer::kYes, Answer::kRetry};
    FakeGuiLoop stalled(false);  // queues, never runs
    GuiThreadUi ui(windows, stalled);
    auto worker = std::async(std::launch::async, [&] {
        return ui.ShowMessage(kCaption, u"x", Buttons::kYesNo, true);
    });
    EXPECT_TRUE(stalled.WaitUntilQueued());
    EXPECT_EQ(worker.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    ui.Shutdown();
    ASSERT_EQ(worker.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(worker.get(), Answer::kNo);
    EXPECT_EQ(ui.ShowMessage(kCaption, u"x", Buttons::kRetryCancel, true), Answer::kCancel);
    FakeGuiLoop refusing(false);
    refusing.refuse = true;
    GuiThreadUi ui2(windows, refusing);
    EXPECT_EQ(ui2.ShowMessage(kCaption, u"x", Buttons::kOkCancel, true), Answer::kCancel);
    EXPECT_FALSE(ui2.MessageWindowOpen());
    EXPECT_TRUE(windows.threads().empty());
}

}  // namespace
}  // namespace qmx2::manager
