// End-to-end tests of the built program, driven through pipes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "dialogue_text.hpp"
#include "run_program.hpp"

namespace {

using namespace std::chrono_literals;

const std::string program = DIE_FAIRNESS_PROGRAM;

// A mean as the dialogue prints it: 1 to 6, at most six significant digits.
bool is_printed_mean(const std::string& text) {
  const std::size_t point = text.find('.');
  const bool shape =
      !text.empty() && text[0] >= '1' && text[0] <= '6' &&
      (point == std::string::npos || (point == 1 && text.size() > 2 && text.size() <= 7));
  return shape && text.find_first_not_of("0123456789.") == std::string::npos &&
         std::stod(text) <= 6.0;
}

// The output with each mean left out: runs started in other seconds roll other means.
std::string without_means(std::string text) {
  for (std::size_t at = text.find(mean_line_start); at != std::string::npos;
       at = text.find(mean_line_start, at + 1)) {
    const std::size_t start = at + mean_line_start.size();
    text.erase(start, text.find('\n', start) - start);
  }
  return text;
}

}  // namespace

TEST(program, samples_then_quits_with_status_zero) {
  const program_run run = run_program(program, "10\n1\n0\n");
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_status, 0);
  const std::string head = introduction + prompt + mean_line_start;
  ASSERT_EQ(run.out.substr(0, head.size()), head);
  const std::size_t end_of_mean = run.out.find('\n', head.size());
  const std::string mean = run.out.substr(head.size(), end_of_mean - head.size());
  EXPECT_TRUE(is_printed_mean(mean)) << mean;
  const std::string rest = run.out.substr(end_of_mean);
  const std::string one_roll = "\n\n" + prompt + mean_line_start;
  ASSERT_EQ(rest.substr(0, one_roll.size()), one_roll) << rest;
  EXPECT_TRUE(is_printed_mean(rest.substr(one_roll.size(), 1)));
  EXPECT_EQ(rest.substr(one_roll.size() + 1), "\n\n" + prompt);
  EXPECT_EQ(run.err, "");
}

TEST(program, ignores_command_line_arguments) {
  run_options with_arguments;
  with_arguments.args = {"--help", "5", "-x"};
  const program_run run = run_program(program, "0\n", with_arguments);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, introduction + prompt);
  EXPECT_EQ(run.err, "");
}

TEST(program, shows_the_prompt_before_any_input_is_written) {
  child_process child = start_program(program);
  std::string shown;
  EXPECT_TRUE(read_until(child, shown, prompt, 5s));
  EXPECT_EQ(shown, introduction + prompt);
  ASSERT_EQ(write(child.in, "3\n", 2), 2);
  EXPECT_TRUE(read_until(child, shown, prompt, 5s)) << shown;
  const program_run run = finish_program(child, 5s);
  EXPECT_EQ(run.exit_status, 0);
}

TEST(program, explains_bad_entries_on_standard_error_only) {
  const program_run run = run_program(program, "abc\n99999999999\n0\n");
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, introduction + prompt + prompt + prompt);
  EXPECT_NE(run.err.find("\"abc\""), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("\"99999999999\""), std::string::npos) << run.err;
}

TEST(program, answers_the_largest_size_in_constant_memory) {
  const program_run small = run_program(program, "1\n0\n");
  run_options patient;
  patient.limit = 120s;
  const program_run largest = run_program(program, "2147483647\n0\n", patient);
  ASSERT_TRUE(largest.exited);
  EXPECT_EQ(largest.exit_status, 0);
  const std::string head = introduction + prompt + mean_line_start;
  ASSERT_EQ(largest.out.substr(0, head.size()), head) << largest.out;
  EXPECT_NEAR(std::stod(largest.out.substr(head.size())), 3.58, 0.001) << largest.out;
  if (memory_is_measured) {
    // No storage per roll: two billion rolls need no more memory than one.
    EXPECT_LT(largest.peak_kib, small.peak_kib + 1024);
  }
}

// Twenty rolls of one die each: runs started in different seconds roll other
// faces (twenty equal faces by chance: below 10^-15), runs started within
// the same second the same ones.
TEST(program, seeds_from_the_clock_once_per_run) {
  std::string rolls;
  for (int roll = 0; roll < 20; ++roll) rolls += "1\n";
  rolls += "0\n";
  const auto second = [] {
    return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
  };
  const auto started = second();
  const program_run first = run_program(program, rolls);
  const program_run again = run_program(program, rolls);
  if (second() == started) {
    EXPECT_EQ(again.out, first.out);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  const program_run later = run_program(program, rolls);
  EXPECT_NE(later.out, first.out);
  EXPECT_EQ(later.out.size(), first.out.size());  // both ran all twenty samples
}

// However little memory the system gives, the program says so and ends; it
// never aborts. The limits run from what it has at its prompt down to where
// the system cannot even load it (and says so itself, with status 127).
TEST(program, says_when_memory_is_short_and_never_aborts) {
  if (!memory_is_measured) GTEST_SKIP() << "instruments and emulators need memory of their own";
  child_process child = start_program(program);
  std::string shown;
  ASSERT_TRUE(read_until(child, shown, prompt, 5s));
  const long at_prompt = virtual_memory_kib(child);
  finish_program(child, 5s);
  if (at_prompt == 0) GTEST_SKIP() << "no /proc to tell the program's memory";
  bool said = false;
  for (long limit = at_prompt; limit > at_prompt - 8192 && limit > 1024; limit -= 32) {
    const program_run run =
        run_program(program, "10\n0\n", {.address_space_kib = static_cast<std::size_t>(limit)});
    ASSERT_TRUE(run.exited) << limit << " KiB: signal " << run.signal << "\n" << run.err;
    if (run.exit_status == 127) break;
    if (run.exit_status == 1) {
      EXPECT_EQ(run.err, "Cannot allocate memory.\n") << limit << " KiB";
      said = true;
    } else {
      EXPECT_EQ(run.exit_status, 0) << limit << " KiB";
    }
  }
  EXPECT_TRUE(said) << "no limit left the program too little memory to run";
}

// Memory refused from the Nth allocation on, for every N up to one past the
// allocations of a whole run: each run is a normal one, or says so in the
// system's words and ends with status 1; none aborts.
TEST(program, says_when_an_allocation_fails_and_never_aborts) {
#if defined(DIE_FAIRNESS_REFUSED_MEMORY)
  if (!memory_is_measured) GTEST_SKIP() << "instruments and emulators allocate for themselves";
  const std::string preload = std::string("LD_PRELOAD=") + DIE_FAIRNESS_REFUSED_MEMORY;
  const std::string count_file =
      testing::TempDir() + "die-fairness-allocations-" + std::to_string(getpid());
  const program_run whole = run_program(
      program, "10 1\n0\n", {.environment = {preload, "COUNT_ALLOCATIONS_IN=" + count_file}});
  ASSERT_EQ(whole.exit_status, 0) << whole.err;
  std::ifstream counted(count_file);
  unsigned long allocations = 0;
  ASSERT_TRUE(counted >> allocations);
  std::remove(count_file.c_str());
  ASSERT_GT(allocations, 0U);
  bool refused = false;
  for (unsigned long first = 1; first <= allocations + 1; ++first) {
    const program_run run =
        run_program(program, "10 1\n0\n",
                    {.environment = {preload, "REFUSE_MEMORY_FROM=" + std::to_string(first)}});
    ASSERT_TRUE(run.exited) << "from allocation " << first << ": signal " << run.signal << "\n"
                            << run.err;
    if (run.exit_status == 1) {
      EXPECT_EQ(run.err, "Cannot allocate memory.\n") << "from allocation " << first;
      refused = true;
    } else {
      EXPECT_EQ(run.exit_status, 0) << "from allocation " << first << "\n" << run.err;
      EXPECT_EQ(without_means(run.out), without_means(whole.out)) << "from allocation " << first;
      EXPECT_EQ(run.err, "") << "from allocation " << first;
    }
  }
  EXPECT_TRUE(refused) << "no allocation was refused where the program could say so";
#else
  GTEST_SKIP() << "no shim to refuse memory on this system";
#endif
}
