#include "shards.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

namespace grade {
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kShardFile = "shard.json";

// Every field the report is made from: a field left out here would be lost
// in a merged report, which the project's test compares with a single run's.
json test_json(const TestResult& test) {
  json scrubber = json::array();
  for (const ShownFrame& frame : test.scrubber) {
    scrubber.push_back({frame.frame, frame.expected, frame.actual, frame.differs});
  }
  return {{"name", test.name},
          {"status", test.status},
          {"detail", test.detail},
          {"score", test.score},
          {"max_score", test.max_score},
          {"runner", test.runner},
          {"out", test.out},
          {"err", test.err},
          {"first_differing", test.first_differing},
          {"expected_png", test.expected_png},
          {"actual_png", test.actual_png},
          {"difference_png", test.difference_png},
          {"animation", test.animation},
          {"animation_size",
           {test.animation_size.width, test.animation_size.height, test.animation_size.frames,
            test.animation_size.bytes}},
          {"expected_frames", test.expected_frames},
          {"actual_frames", test.actual_frames},
          {"scrubber", scrubber},
          {"log_diff", test.log_diff}};
}

TestResult test_from(const json& value) {
  TestResult test;
  value.at("name").get_to(test.name);
  value.at("status").get_to(test.status);
  value.at("detail").get_to(test.detail);
  value.at("score").get_to(test.score);
  value.at("max_score").get_to(test.max_score);
  value.at("runner").get_to(test.runner);
  value.at("out").get_to(test.out);
  value.at("err").get_to(test.err);
  value.at("first_differing").get_to(test.first_differing);
  value.at("expected_png").get_to(test.expected_png);
  value.at("actual_png").get_to(test.actual_png);
  value.at("difference_png").get_to(test.difference_png);
  value.at("animation").get_to(test.animation);
  const json& size = value.at("animation_size");
  size.at(0).get_to(test.animation_size.width);
  size.at(1).get_to(test.animation_size.height);
  size.at(2).get_to(test.animation_size.frames);
  size.at(3).get_to(test.animation_size.bytes);
  value.at("expected_frames").get_to(test.expected_frames);
  value.at("actual_frames").get_to(test.actual_frames);
  for (const json& frame : value.at("scrubber")) {
    ShownFrame shown;
    frame.at(0).get_to(shown.frame);
    frame.at(1).get_to(shown.expected);
    frame.at(2).get_to(shown.actual);
    frame.at(3).get_to(shown.differs);
    test.scrubber.push_back(shown);
  }
  value.at("log_diff").get_to(test.log_diff);
  return test;
}

json student_json(const StudentResult& student, size_t position) {
  json tests = json::array();
  for (const TestResult& test : student.tests) tests.push_back(test_json(test));
  return {{"position", position},
          {"name", student.name},
          {"source", student.source},
          {"build_status", student.build_status},
          {"build_summary", student.build_summary},
          {"build_log", student.build_log},
          {"score", student.score},
          {"tests", tests}};
}

StudentResult student_from(const json& value) {
  StudentResult student;
  value.at("name").get_to(student.name);
  value.at("source").get_to(student.source);
  value.at("build_status").get_to(student.build_status);
  value.at("build_summary").get_to(student.build_summary);
  value.at("build_log").get_to(student.build_log);
  value.at("score").get_to(student.score);
  for (const json& test : value.at("tests")) student.tests.push_back(test_from(test));
  return student;
}

json assignment_json(const Assignment& assignment) {
  json tests = json::array();
  for (const Test& test : assignment.tests) {
    tests.push_back({{"name", test.name}, {"points", test.points}});
  }
  return {{"title", assignment.title}, {"tests", tests}};
}

int refuse(const std::string& what) {
  std::fprintf(stderr, "zivro-grade merge: %s\n", what.c_str());
  return 2;
}

}  // namespace

bool write_shard(const std::string& directory, const Assignment& assignment, const Shard& shard,
                 const std::vector<size_t>& positions, const std::vector<StudentResult>& students,
                 std::string* error) {
  json graded = json::array();
  for (size_t i = 0; i < students.size(); ++i)
    graded.push_back(student_json(students[i], positions[i]));
  const json file = {{"shard", shard.number},
                     {"shards", shard.count},
                     {"class_size", shard.class_size},
                     {"assignment", assignment_json(assignment)},
                     {"students", graded}};
  const fs::path path = fs::path(directory) / kShardFile;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << file.dump(1, ' ', false, json::error_handler_t::replace) << "\n";
  out.close();
  if (!out) *error = "cannot write " + path.string();
  return static_cast<bool>(out);
}

int merge_reports(const std::string& out, const std::vector<std::string>& shard_directories) {
  json first;
  std::vector<bool> seen;
  std::vector<std::pair<size_t, StudentResult>> students;
  std::error_code code;
  for (const std::string& directory : shard_directories) {
    const fs::path path = fs::path(directory) / kShardFile;
    std::ifstream in(path, std::ios::binary);
    if (!in) return refuse("no " + path.string() + ": not a report graded with --shard");
    json shard;
    try {
      shard = json::parse(in);
      const int number = shard.at("shard").get<int>();
      const int count = shard.at("shards").get<int>();
      if (first.is_null()) {
        first = shard;
        seen.assign(static_cast<size_t>(count), false);
      }
      if (count != first.at("shards").get<int>() ||
          shard.at("class_size") != first.at("class_size") ||
          shard.at("assignment") != first.at("assignment")) {
        return refuse(directory + " is a shard of another grading than " +
                      shard_directories.front() + " (other assignment, class or count of shards)");
      }
      if (number < 1 || number > count || seen[static_cast<size_t>(number - 1)]) {
        return refuse(directory + ": shard " + std::to_string(number) + " of " +
                      std::to_string(count) + " given twice or out of range");
      }
      seen[static_cast<size_t>(number - 1)] = true;
      for (const json& student : shard.at("students")) {
        students.emplace_back(student.at("position").get<size_t>(), student_from(student));
      }
    } catch (const json::exception& problem) {
      return refuse(path.string() + ": " + problem.what());
    }
  }
  for (size_t i = 0; i < seen.size(); ++i) {
    if (!seen[i]) {
      return refuse("shard " + std::to_string(i + 1) + " of " + std::to_string(seen.size()) +
                    " is missing");
    }
  }
  std::sort(students.begin(), students.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  const size_t class_size = first.at("class_size").get<size_t>();
  bool places_right = students.size() == class_size;
  for (size_t i = 0; places_right && i < students.size(); ++i)
    places_right = students[i].first == i;
  if (!places_right) {
    return refuse("the shards hold " + std::to_string(students.size()) + " submissions, not the " +
                  std::to_string(class_size) + " of the class, each once");
  }

  // As when grading: a new or empty directory, or an earlier report, replaced.
  const fs::path into(out);
  if (fs::exists(into, code) && !fs::is_empty(into, code)) {
    if (!fs::is_regular_file(into / "index.html", code) || fs::exists(into / kShardFile, code)) {
      return refuse(out + " holds files but no merged report; give a new or empty directory");
    }
    fs::remove_all(into / "students", code);
    fs::remove_all(into / kReferenceFrames, code);
  }
  Assignment assignment;
  first.at("assignment").at("title").get_to(assignment.title);
  for (const json& test : first.at("assignment").at("tests")) {
    Test named;
    test.at("name").get_to(named.name);
    test.at("points").get_to(named.points);
    assignment.tests.push_back(std::move(named));
  }
  // The pictures, as each shard's grading left them; the pages are written anew.
  for (const std::string& directory : shard_directories) {
    for (const char* part : {"students", kReferenceFrames}) {
      const fs::path pictures = fs::path(directory) / part;
      if (!fs::exists(pictures, code)) continue;  // a shard whose runs all passed shows no frames
      fs::create_directories(into / part, code);
      fs::copy(pictures, into / part,
               fs::copy_options::recursive | fs::copy_options::overwrite_existing, code);
      if (code) {
        std::fprintf(stderr, "zivro-grade merge: cannot copy %s: %s\n", pictures.c_str(),
                     code.message().c_str());
        return 1;
      }
    }
  }
  std::vector<StudentResult> merged;
  for (auto& [position, student] : students) merged.push_back(std::move(student));
  std::string error;
  if (!write_report(out, assignment, merged, &error)) {
    std::fprintf(stderr, "zivro-grade merge: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "zivro-grade merge: %zu submissions from %zu shards in %s\n", merged.size(),
               shard_directories.size(), out.c_str());
  return 0;
}

}  // namespace grade
