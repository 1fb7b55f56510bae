# SPDX-License-Identifier: Apache-2.0
# The package version; it follows the C library it binds (see library_version()).
__version__ = "0.6.0"
