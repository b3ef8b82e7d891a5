<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:str="http://exslt.org/strings" xmlns:exsl="http://exslt.org/common" extension-element-prefixes="exsl">
<xsl:output method="html"/>
<xsl:variable name="v"><a>1</a><a>2</a></xsl:variable>
<xsl:template match="/"><html><xsl:for-each select="exsl:node-set($v)/a"><p><xsl:value-of select="str:padding(., 'x')"/></p></xsl:for-each><xsl:value-of select="document('')/*/@version"/></html></xsl:template>
</xsl:stylesheet>
