#include "report.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "verdict.h"

namespace grade {
namespace fs = std::filesystem;

namespace {

std::string number_text(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string escape_html(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string escape_csv(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// Everything a test's verdict says, as one text: the status and its
// detail, the runner's own lines, the program's output in brief.
std::string test_output(const TestResult& test) {
  std::string text = test.status + ": " + test.detail + "\n";
  for (const std::string& line : test.runner) text += "runner: " + line + "\n";
  if (!test.err.empty()) text += "standard error:\n" + head_and_tail(test.err, 10, 5);
  if (!test.out.empty()) text += "standard output:\n" + head_and_tail(test.out, 10, 5);
  return text;
}

nlohmann::json gradescope_results(const StudentResult& student) {
  nlohmann::json tests = nlohmann::json::array();
  size_t passed = 0;
  for (const TestResult& test : student.tests) {
    passed += test.status == kPassed;
    tests.push_back({{"name", test.name},
                     {"score", test.score},
                     {"max_score", test.max_score},
                     {"status", test.status == kPassed ? "passed" : "failed"},
                     {"output", test_output(test)},
                     {"visibility", "visible"}});
  }
  std::string output =
      std::to_string(passed) + " of " + std::to_string(student.tests.size()) + " tests passed";
  if (student.build_status != "built")
    output += "; " + student.build_status + ":\n" + student.build_summary;
  return {
      {"score", student.score}, {"output", output}, {"tests", tests}, {"visibility", "visible"}};
}

bool write_file(const fs::path& path, const std::string& text, std::string* error) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file) *error = "cannot write " + path.string();
  return static_cast<bool>(file);
}

std::string json_text(const nlohmann::json& value) {
  return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

// A class attribute per status, for the colours of the tables.
std::string status_class(const std::string& status) {
  if (status == kPassed) return "passed";
  if (status == kFramesDiffer || status == kEndedEarly || status == kNoFrame ||
      status == kLogDiffers) {
    return "wrong";
  }
  return "failed";
}

constexpr const char* kStyle = R"(<style>
body { font-family: sans-serif; margin: 1.5em; color: #222; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: 0.3em 0.6em; text-align: left; vertical-align: top; }
th { background: #eee; cursor: pointer; }
.passed { background: #dfd; } .wrong { background: #fed; } .failed { background: #fdd; }
.score { text-align: right; }
pre { background: #f6f6f6; padding: 0.5em; overflow-x: auto; max-height: 30em; }
figure { display: inline-block; width: 31%; margin: 0 1% 1em 0; vertical-align: top; }
figure img { width: 100%; border: 1px solid #999; image-rendering: pixelated; }
figure.runs { width: 64%; }
.scrubber input { width: 30em; vertical-align: middle; }
.diff .removed { background: #fdd; } .diff .added { background: #dfd; }
</style>
)";

// Sorting a table by the column whose heading is clicked, numbers as numbers.
constexpr const char* kSortScript = R"(<script>
document.querySelectorAll("table.sortable th").forEach(function (heading, column) {
  heading.addEventListener("click", function () {
    var body = heading.closest("table").tBodies[0];
    var rows = Array.prototype.slice.call(body.rows);
    var up = heading.dataset.order !== "up";
    heading.dataset.order = up ? "up" : "down";
    rows.sort(function (a, b) {
      var x = a.cells[column].dataset.key || a.cells[column].textContent;
      var y = b.cells[column].dataset.key || b.cells[column].textContent;
      var nx = parseFloat(x), ny = parseFloat(y);
      var order = !isNaN(nx) && !isNaN(ny) ? nx - ny : x.localeCompare(y);
      return up ? order : -order;
    });
    rows.forEach(function (row) { body.appendChild(row); });
  });
});
</script>
)";

// The scrubber: its range input swaps the pictures of both runs for those
// of the frame it points at (data-frames: [frame, expected, actual], each
// picture "" where that run showed no such frame, and whether they differ).
constexpr const char* kScrubberScript = R"(<script>
document.querySelectorAll(".scrubber").forEach(function (scrubber) {
  var frames = JSON.parse(scrubber.dataset.frames);
  var range = scrubber.querySelector("input");
  function show() {
    var frame = frames[range.value];
    scrubber.querySelector("output").textContent = frame[0] + (frame[3] ? ", differs" : "");
    ["expected", "actual"].forEach(function (side, i) {
      var image = scrubber.querySelector("img." + side);
      var caption = scrubber.querySelector("figcaption." + side);
      image.hidden = frame[i + 1] === "";
      if (!image.hidden) image.src = frame[i + 1];
      caption.textContent = side + (image.hidden ? ": no frame " + frame[0] : "");
    });
  }
  range.addEventListener("input", show);
  show();
});
</script>
)";

std::string page_start(const std::string& title) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
         escape_html(title) + "</title>\n" + kStyle + "</head>\n<body>\n<h1>" + escape_html(title) +
         "</h1>\n";
}

std::string index_page(const Assignment& assignment, const std::vector<StudentResult>& students) {
  const std::string title = assignment.title.empty() ? "Grades" : assignment.title;
  std::ostringstream html;
  html << page_start(title + ": grades");
  html << "<table class=\"sortable\">\n<thead><tr><th>student</th>";
  for (const Test& test : assignment.tests) {
    html << "<th>" << escape_html(test.name) << " (" << number_text(test.points) << ")</th>";
  }
  html << "<th>total (" << number_text(assignment.max_score()) << ")</th></tr></thead>\n<tbody>\n";
  double sum = 0;
  for (const StudentResult& student : students) {
    sum += student.score;
    html << "<tr><td><a href=\"students/" << escape_html(student.name) << ".html\">"
         << escape_html(student.name) << "</a></td>";
    for (const TestResult& test : student.tests) {
      html << "<td class=\"" << status_class(test.status) << "\" data-key=\""
           << number_text(test.score) << "\">" << escape_html(test.status) << "<br>"
           << number_text(test.score) << " of " << number_text(test.max_score);
      if (test.first_differing) html << "<br>frame " << test.first_differing;
      html << "</td>";
    }
    html << "<td class=\"score\">" << number_text(student.score) << "</td></tr>\n";
  }
  html << "</tbody>\n</table>\n<p>" << students.size() << " submissions; average "
       << number_text(students.empty() ? 0 : sum / static_cast<double>(students.size())) << " of "
       << number_text(assignment.max_score())
       << " points. Click a heading to sort by it. Also: <a href=\"grades.csv\">grades.csv</a>, "
          "<a href=\"results.json\">results.json</a>, <a href=\"junit.xml\">junit.xml</a>.</p>\n";
  html << kSortScript << "</body>\n</html>\n";
  return html.str();
}

std::string student_page(const StudentResult& student, double max_score) {
  std::ostringstream html;
  html << page_start(student.name + ": " + number_text(student.score) + " of " +
                     number_text(max_score) + " points");
  html << "<p><a href=\"../index.html\">All students</a>. Submission: <code>"
       << escape_html(student.source) << "</code>, " << escape_html(student.build_status)
       << ".</p>\n";
  // Paths in the page are relative to its own directory, students/.
  auto relative = [](const std::string& path) {
    const std::string own = "students/";
    return path.rfind(own, 0) == 0 ? path.substr(own.size()) : "../" + path;
  };
  bool scrubbed = false;
  for (const TestResult& test : student.tests) {
    html << "<h2 class=\"" << status_class(test.status) << "\">" << escape_html(test.name) << ": "
         << escape_html(test.status) << ", " << number_text(test.score) << " of "
         << number_text(test.max_score) << "</h2>\n<p>" << escape_html(test.detail) << "</p>\n";
    auto figure = [&](const std::string& path, const char* caption) {
      if (path.empty()) return;
      html << "<figure><img src=\"" << escape_html(relative(path)) << "\" alt=\"" << caption
           << "\"><figcaption>" << caption << "</figcaption></figure>\n";
    };
    if (test.first_differing) {
      html << "<p>Frame " << test.first_differing << ":</p>\n";
      figure(test.expected_png, "expected");
      figure(test.actual_png, "actual");
      figure(test.difference_png, "difference (red)");
    }
    if (!test.animation.empty()) {
      html << "<figure class=\"runs\"><img src=\"" << escape_html(relative(test.animation))
           << "\" alt=\"both runs, animated\"><figcaption>Both runs, expected on the left ("
           << test.expected_frames << " frames), actual on the right (" << test.actual_frames
           << " frames)";
      const long count = std::max(test.expected_frames, test.actual_frames);
      if (static_cast<long>(test.animation_size.frames) < count) {
        html << "; " << test.animation_size.frames << " of the " << count
             << " frames, evenly spread";
      }
      html << ".</figcaption></figure>\n";
    }
    if (!test.scrubber.empty()) {
      nlohmann::json frames = nlohmann::json::array();
      size_t start = 0;
      for (const ShownFrame& frame : test.scrubber) {
        if (frame.frame == test.first_differing) start = frames.size();
        frames.push_back({frame.frame, frame.expected.empty() ? "" : relative(frame.expected),
                          frame.actual.empty() ? "" : relative(frame.actual), frame.differs});
      }
      html << "<div class=\"scrubber\" data-frames=\"" << escape_html(frames.dump())
           << "\">\n<p><label>Frame <output>" << test.first_differing
           << (test.scrubber[start].differs ? ", differs" : "")
           << "</output> <input type=\"range\" min=\"0\" max=\"" << frames.size() - 1
           << "\" value=\"" << start << "\"></label> (frames " << test.scrubber.front().frame
           << " to " << test.scrubber.back().frame << ")</p>\n";
      // The first differing frame's pictures, which the page shows before its script runs.
      const ShownFrame& first = test.scrubber[start];
      for (const std::string& side : {std::string("expected"), std::string("actual")}) {
        const std::string& path = side == "expected" ? first.expected : first.actual;
        html << "<figure><img class=\"" << side << "\" alt=\"" << side << "\""
             << (path.empty() ? std::string(" hidden")
                              : " src=\"" + escape_html(relative(path)) + "\"")
             << "><figcaption class=\"" << side << "\">" << side << "</figcaption></figure>\n";
      }
      html << "</div>\n";
      scrubbed = true;
    }
    if (!test.log_diff.empty()) {
      html
          << "<p>The log lines that differ, expected (-) and actual (+):</p>\n<pre class=\"diff\">";
      std::istringstream lines(test.log_diff);
      // The first two lines name the sides; after them a line's mark says whose it is.
      int number = 0;
      for (std::string line; std::getline(lines, line); ++number) {
        const char mark = number < 2 || line.empty() ? ' ' : line[0];
        const char* kind = mark == '-' ? "removed" : mark == '+' ? "added" : "";
        html << "<span class=\"" << kind << "\">" << escape_html(line) << "</span>\n";
      }
      html << "</pre>\n";
    }
    if (!test.runner.empty()) {
      html << "<p>The runner said:</p>\n<pre>";
      for (const std::string& line : test.runner) html << escape_html(line) << "\n";
      html << "</pre>\n";
    }
    if (!test.err.empty()) {
      html << "<p>Standard error:</p>\n<pre>" << escape_html(head_and_tail(test.err, 20, 10))
           << "</pre>\n";
    }
    if (!test.out.empty()) {
      html << "<p>Standard output:</p>\n<pre>" << escape_html(head_and_tail(test.out, 20, 10))
           << "</pre>\n";
    }
  }
  html << "<h2>Build</h2>\n<pre>" << escape_html(student.build_log) << "</pre>\n";
  if (scrubbed) html << kScrubberScript;
  html << "</body>\n</html>\n";
  return html.str();
}

std::string escape_xml(const std::string& text) {
  return escape_html(text);  // the five characters XML escapes too
}

std::string junit(const Assignment& assignment, const std::vector<StudentResult>& students) {
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\""
      << escape_xml(assignment.title.empty() ? "grades" : assignment.title) << "\">\n";
  for (const StudentResult& student : students) {
    size_t failures = 0;
    for (const TestResult& test : student.tests) failures += test.status != kPassed;
    xml << "  <testsuite name=\"" << escape_xml(student.name) << "\" tests=\""
        << student.tests.size() << "\" failures=\"" << failures << "\" errors=\"0\">\n";
    for (const TestResult& test : student.tests) {
      xml << "    <testcase classname=\"" << escape_xml(student.name) << "\" name=\""
          << escape_xml(test.name) << "\"";
      if (test.status == kPassed) {
        xml << "/>\n";
        continue;
      }
      xml << ">\n      <failure type=\"" << escape_xml(test.status) << "\" message=\""
          << escape_xml(test.status + ": " + test.detail) << "\">" << escape_xml(test_output(test))
          << "</failure>\n    </testcase>\n";
    }
    xml << "  </testsuite>\n";
  }
  xml << "</testsuites>\n";
  return xml.str();
}

}  // namespace

std::string clean_text(const std::string& text) {
  std::string clean;
  clean.reserve(text.size());
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = bytes[i];
    if (c < 0x80) {
      clean += (c < 0x20 && c != '\n' && c != '\t') || c == 0x7F ? '?' : static_cast<char>(c);
      ++i;
      continue;
    }
    // A whole, shortest, non-surrogate sequence is kept; anything else is one U+FFFD a byte.
    size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    bool whole = length > 0 && i + length <= text.size();
    for (size_t k = 1; whole && k < length; ++k) whole = (bytes[i + k] & 0xC0) == 0x80;
    if (whole && length == 3) {
      const unsigned char next = bytes[i + 1];
      whole = !(c == 0xE0 && next < 0xA0) && !(c == 0xED && next >= 0xA0);
    }
    if (whole && length == 4) {
      const unsigned char next = bytes[i + 1];
      whole = !(c == 0xF0 && next < 0x90) && !(c == 0xF4 && next >= 0x90);
    }
    if (whole) {
      clean.append(text, i, length);
      i += length;
    } else {
      clean += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return clean;
}

std::string head_and_tail(const std::string& text, size_t head, size_t tail) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  std::string kept;
  if (lines.size() <= head + tail + 1) {
    for (const std::string& line : lines) kept += line + "\n";
    return kept;
  }
  for (size_t i = 0; i < head; ++i) kept += lines[i] + "\n";
  kept += "[... " + std::to_string(lines.size() - head - tail) + " lines left out ...]\n";
  for (size_t i = lines.size() - tail; i < lines.size(); ++i) kept += lines[i] + "\n";
  return kept;
}

bool write_gradescope_results(const std::string& path, const StudentResult& student,
                              std::string* error) {
  std::error_code code;
  fs::create_directories(fs::path(path).parent_path(), code);
  return write_file(path, json_text(gradescope_results(student)), error);
}

bool write_report(const std::string& directory, const Assignment& assignment,
                  const std::vector<StudentResult>& students, std::string* error) {
  const fs::path out(directory);
  std::error_code code;
  fs::create_directories(out / "students", code);
  if (code) {
    *error = "cannot make " + (out / "students").string() + ": " + code.message();
    return false;
  }
  std::string csv = "student";
  for (const Test& test : assignment.tests)
    csv.append(",")
        .append(escape_csv(test.name))
        .append(",")
        .append(escape_csv(test.name + " status"));
  csv += ",total\n";
  nlohmann::json all = nlohmann::json::object();
  for (const StudentResult& student : students) {
    csv += escape_csv(student.name);
    for (const TestResult& test : student.tests) {
      csv.append(",").append(number_text(test.score)).append(",").append(escape_csv(test.status));
    }
    csv.append(",").append(number_text(student.score)).append("\n");
    const nlohmann::json results = gradescope_results(student);
    all[student.name] = results;
    fs::create_directories(out / "students" / student.name, code);
    if (!write_file(out / "students" / student.name / "results.json", json_text(results), error) ||
        !write_file(out / "students" / (student.name + ".html"),
                    student_page(student, assignment.max_score()), error)) {
      return false;
    }
  }
  const nlohmann::json summary = {{"max_score", assignment.max_score()}, {"submissions", all}};
  return write_file(out / "grades.csv", csv, error) &&
         write_file(out / "results.json", json_text(summary), error) &&
         write_file(out / "junit.xml", junit(assignment, students), error) &&
         write_file(out / "index.html", index_page(assignment, students), error);
}

}  // namespace grade
