# The release notes made from a NEWS.md (cmake/news.cmake): run as
# cmake -DSOURCE_DIR=<project> [-DVERSION=<newest>] -P news_test.cmake
include(${SOURCE_DIR}/cmake/news.cmake)
if(NOT VERSION)
  set(VERSION 1.1)
endif()
set(news ${CMAKE_CURRENT_BINARY_DIR}/news-test.md)
file(WRITE ${news} "# Title\n\nWhat this file is.\n\n## 1.1\n\nSummary; with [brackets].\n\n"
                   "### Added\n\n- A & B <c>\n  continued.\n- Next.\n\n"
                   "## 1.0 (2024-02-29)\n\n### Fixed\n\n- Old fix.\n")
# 2026-12-08 17:00:00 UTC for the version without a date.
kvr_news(N ${news} ${VERSION} 1796749200 "Dev <d@example.org>" 1)

set(expected_debian "kvrsetup (1.1) unstable; urgency=medium

  * Summary; with [brackets].
  * Added:
    - A & B <c>
      continued.
    - Next.

 -- Dev <d@example.org>  Tue, 08 Dec 2026 17:00:00 +0000

kvrsetup (1.0) unstable; urgency=medium

  * Fixed:
    - Old fix.

 -- Dev <d@example.org>  Thu, 29 Feb 2024 12:00:00 +0000
")
set(expected_rpm "* Tue Dec 08 2026 Dev <d@example.org> - 1.1-1
- Summary; with [brackets].
- Added:
  - A & B <c>
    continued.
  - Next.

* Thu Feb 29 2024 Dev <d@example.org> - 1.0-1
- Fixed:
  - Old fix.
")
set(expected_appstream [[    <release version="1.1" date="2026-12-08">
      <description>
        <p>Summary; with [brackets].</p>
        <p>Added:</p>
        <ul>
          <li>A &amp; B &lt;c&gt; continued.</li>
          <li>Next.</li>
        </ul>
      </description>
    </release>
    <release version="1.0" date="2024-02-29">
      <description>
        <p>Fixed:</p>
        <ul>
          <li>Old fix.</li>
        </ul>
      </description>
    </release>]])
foreach(form DEBIAN RPM APPSTREAM)
  string(TOLOWER ${form} name)
  if(NOT N_${form} STREQUAL expected_${name})
    message(FATAL_ERROR "${name}: got\n${N_${form}}\nexpected\n${expected_${name}}")
  endif()
endforeach()
