"""Checks a zivro-grade report: results.json in Gradescope's autograder
format (the class's and each student's), junit.xml read by an XML parser
and by a JUnit reader (Debian's python3-junitparser, as CI tools read it),
and every link and picture of the HTML pages present.
Usage: check_report.py REPORT_DIR; prints what is wrong, exits 1 if anything is."""
import html.parser
import json
import os
import sys
import xml.etree.ElementTree as ElementTree

try:
    import junitparser
except ImportError:
    sys.exit("check_report.py: python3-junitparser is missing (scripts/install-deps.sh test)")

report = sys.argv[1]
problems = []


def check_gradescope(results, where):
    if not isinstance(results.get("score"), (int, float)):
        problems.append(f"{where}: no numeric score")
    tests = results.get("tests")
    if not isinstance(tests, list) or not tests:
        problems.append(f"{where}: no tests")
        return
    for test in tests:
        for key, kind in (("name", str), ("score", (int, float)), ("max_score", (int, float)),
                          ("output", str), ("status", str)):
            if not isinstance(test.get(key), kind):
                problems.append(f"{where}: test {test.get('name')}: bad {key}")
        if test.get("status") not in ("passed", "failed"):
            problems.append(f"{where}: status {test.get('status')!r}")
        if test.get("score", 0) > test.get("max_score", 0):
            problems.append(f"{where}: score above max_score")
    if abs(sum(t["score"] for t in tests) - results["score"]) > 1e-9:
        problems.append(f"{where}: the score is not the sum of the tests'")


with open(os.path.join(report, "results.json"), encoding="utf-8") as file:
    summary = json.load(file)
students = summary["submissions"]
for name, results in students.items():
    check_gradescope(results, f"results.json: {name}")
    own = os.path.join(report, "students", name, "results.json")
    with open(own, encoding="utf-8") as file:
        if json.load(file) != results:
            problems.append(f"{own}: not the class file's entry")
    check_gradescope(results, own)

suites = ElementTree.parse(os.path.join(report, "junit.xml")).getroot()
if suites.tag != "testsuites":
    problems.append("junit.xml: the root is not <testsuites>")
if sorted(suite.get("name") for suite in suites) != sorted(students):
    problems.append("junit.xml: not one <testsuite> per student")
for suite in suites:
    cases = suite.findall("testcase")
    failed = [case for case in cases if case.find("failure") is not None]
    if int(suite.get("tests")) != len(cases) or int(suite.get("failures")) != len(failed):
        problems.append(f"junit.xml: {suite.get('name')}: counts do not match its test cases")
    passed = {t["name"] for t in students[suite.get("name")]["tests"] if t["status"] == "passed"}
    if {case.get("name") for case in cases if case not in failed} != passed:
        problems.append(f"junit.xml: {suite.get('name')}: not the tests that passed")

# The same file as a JUnit reader takes it: a suite per student, its counts,
# and each case passed exactly when the student's test passed.
read = junitparser.JUnitXml.fromfile(os.path.join(report, "junit.xml"))
for suite in read:
    results = students.get(suite.name)
    if results is None:
        problems.append(f"junit.xml (JUnit reader): unknown suite {suite.name}")
        continue
    cases = list(suite)
    passed = {case.name for case in cases if case.is_passed}
    wanted = {t["name"] for t in results["tests"] if t["status"] == "passed"}
    if suite.tests != len(results["tests"]) or passed != wanted:
        problems.append(f"junit.xml (JUnit reader): {suite.name}: not the student's results")


class Links(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.targets = []

    def handle_starttag(self, tag, attributes):
        for key, value in attributes:
            if (tag, key) in (("a", "href"), ("img", "src")):
                self.targets.append(value)
            if key == "data-frames":  # a scrubber's pictures
                self.targets += [path for frame in json.loads(value) for path in frame[1:3] if path]


pages = [os.path.join(report, "index.html")]
pages += [os.path.join(report, "students", f"{name}.html") for name in students]
for page in pages:
    links = Links()
    with open(page, encoding="utf-8") as file:
        links.feed(file.read())
    for target in links.targets:
        if "://" in target or not os.path.isfile(os.path.join(os.path.dirname(page), target)):
            problems.append(f"{page}: {target} does not resolve to a file of the report")

for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)
