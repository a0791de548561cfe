#!/usr/bin/env bash
# The differential check against the server's parser: compiles its side (tests/oracle/JdkOracle.java, the JDK's
# parser with the server's settings) into BUILD/oracle when the source changed, then has
# BUILD/tests/xml_oracle_check read every file under the PATHs with this program's reader and with the JDK's,
# and compare their verdicts and the text of every element. Exit status: 0 no difference but the refusals made
# on purpose, 1 a difference, 2 the check could not run.
# Usage: run-oracle.sh BUILD PATH...
set -euo pipefail
build=$(cd "$1" && pwd)
shift
root=$(cd "$(dirname "$0")/.." && pwd)
# The server runs on OpenJDK 17, whose parser the verdicts of the conformance suite come from: its java and
# javac come first where it is installed beside other JDKs.
for jdk in /usr/lib/jvm/java-17-openjdk-*; do
  if [ -x "$jdk/bin/javac" ]; then PATH="$jdk/bin:$PATH"; break; fi
done
source="$root/tests/oracle/JdkOracle.java"
classes="$build/oracle"
if [ ! -f "$classes/JdkOracle.class" ] || [ "$source" -nt "$classes/JdkOracle.class" ]; then
  # Compiled aside and moved in, so that two runs side by side never see half a class.
  fresh=$(mktemp -d "$build/oracle-classes.XXXXXX")
  javac -d "$fresh" "$source"
  mkdir -p "$classes"
  mv -f "$fresh"/*.class "$classes/"
  rm -rf "$fresh"
fi
exec "$build/tests/xml_oracle_check" "$classes" "$@"
