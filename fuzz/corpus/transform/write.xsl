<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:exsl="http://exslt.org/common" extension-element-prefixes="exsl">
<xsl:template match="/"><exsl:document href="/tmp/trelvo-fuzz-written.txt">x</exsl:document></xsl:template>
</xsl:stylesheet>
