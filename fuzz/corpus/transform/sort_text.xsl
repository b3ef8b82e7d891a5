<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="text"/>
<xsl:template match="/"><xsl:for-each select="//d"><xsl:sort select="."/><xsl:value-of select="concat(., position())"/></xsl:for-each></xsl:template>
</xsl:stylesheet>
