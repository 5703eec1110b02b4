# What the release is called, in every place that names it: the About box (ui/version.h), the
# package, the manual pages and the software-centre listing are all configured from these.
# The version itself is the project version; the About box shows it short, 1.0.1.0 as R1.01.
set(TARNWICK_RELEASE "R${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}${PROJECT_VERSION_PATCH}")
set(TARNWICK_RELEASE_DATE 2026-12-08)
# The same day as a Debian changelog writes it.
set(TARNWICK_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 12:00:00 +0000")

# Who answers for the package: the Maintainer field and the changelog's signature. Set it to a
# real person or list when building a package to hand out.
set(TARNWICK_MAINTAINER "Tarnwick developers <tarnwick@tarnwick.invalid>"
    CACHE STRING "Maintainer of the Debian package, as Name <address>")
# Where the program is published; the software-centre listing links it and its screenshots
# (docs/screenshots/ published under <url>/screenshots/).
set(TARNWICK_HOMEPAGE "https://tarnwick.example"
    CACHE STRING "Home page of the program, without a trailing slash")
